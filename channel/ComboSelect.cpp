#include "channel/ComboSelect.h"

#include <QComboBox>
#include <QSignalBlocker>

namespace tonquelle {

std::int32_t SelectComboItemByData(QComboBox& list, std::int32_t value, std::int32_t fallback) {
    const QSignalBlocker blocker(list);
    for (int i = list.count() - 1; i >= 0; --i) {
        bool isNumber = false;
        const int data = list.itemData(i).toInt(&isNumber);
        if (isNumber && data == value) {
            list.setCurrentIndex(i);
            return i;
        }
    }
    list.setCurrentIndex(fallback >= 0 && fallback < list.count() ? fallback : -1);
    return fallback;
}

}  // namespace tonquelle
