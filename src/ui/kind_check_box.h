// A kind check box of the options: the tree may show it mixed, but a click
// only switches between on and off.
#pragma once

#include <QCheckBox>

namespace mailwright::desktop {

class KindCheckBox : public QCheckBox {
    Q_OBJECT

public:
    explicit KindCheckBox(const QString& text, QWidget* parent = nullptr);

    // kAllOn, kAllOff or kMixed of the selection rules.
    void showState(int state);
    int state() const;

protected:
    // Skips the mixed state: mixed and off go to on, on goes to off.
    void nextCheckState() override;
};

}  // namespace mailwright::desktop
