#include "skin/SkinLabel.h"

namespace kestrune::skin {

SkinLabel::SkinLabel(QWidget* parent) : QLabel(parent) {}

} // namespace kestrune::skin
