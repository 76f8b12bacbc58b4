#pragma once

#include <QIcon>

namespace tonquelle {

// Makes the resources compiled into the program (help document, icon) reachable under
// ":/tonquelle/". Safe to call any number of times.
void InitialiseResources();

// The program icon in its three sizes (48, 32 and 16 pixels).
QIcon ProgramIcon();

}  // namespace tonquelle
