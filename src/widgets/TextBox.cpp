#include "widgets/TextBox.h"

#include <QLineEdit>

#include <limits>

namespace kestrune::ui {

QLineEdit* makeTextBox(QWidget* parent, const char* name) {
    auto* box = new QLineEdit(parent);
    box->setObjectName(QLatin1String(name));
    box->setMaxLength(std::numeric_limits<int>::max());
    return box;
}

} // namespace kestrune::ui
