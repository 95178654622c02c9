#include "ui/kind_check_box.h"

#include "ui/logic/folder_tree.h"

namespace mailwright::desktop {

KindCheckBox::KindCheckBox(const QString& text, QWidget* parent) : QCheckBox(text, parent) {
    setTristate(true);
}

void KindCheckBox::showState(int state) {
    const QSignalBlocker quiet(this);
    setCheckState(state == ui::kAllOn   ? Qt::Checked
                  : state == ui::kMixed ? Qt::PartiallyChecked
                                        : Qt::Unchecked);
}

int KindCheckBox::state() const {
    switch (checkState()) {
        case Qt::Checked:
            return ui::kAllOn;
        case Qt::PartiallyChecked:
            return ui::kMixed;
        default:
            return ui::kAllOff;
    }
}

void KindCheckBox::nextCheckState() {
    setCheckState(checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
}

}  // namespace mailwright::desktop
