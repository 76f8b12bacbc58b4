#include "app/Resources.h"

// The resources live in a static library, so nothing references them unless asked to; this must
// be called from the global namespace.
static void RegisterTonquelleResources() {
    Q_INIT_RESOURCE(tonquelle);
}

namespace tonquelle {

void InitialiseResources() {
    static const bool registered = (RegisterTonquelleResources(), true);
    (void)registered;
}

QIcon ProgramIcon() {
    InitialiseResources();
    QIcon icon;
    for (const int size : {16, 32, 48}) {
        icon.addFile(QStringLiteral(":/tonquelle/tonquelle-%1.png").arg(size), QSize(size, size));
    }
    return icon;
}

}  // namespace tonquelle
