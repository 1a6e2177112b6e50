#include "widgets/valuelabel.h"

#include "widgets/accessible.h"

namespace kliv {

ValueLabel::ValueLabel(QWidget* parent) : QLabel(parent) {
    installAccessibleInterfaces();
}

} // namespace kliv
