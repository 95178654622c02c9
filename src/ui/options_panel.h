// The options below the folder tree: the three kind check boxes, the action
// and destination menus, the switches of the chosen destination and Start.
// It shows an OptionsState and keeps the switches and the destination in
// the user defaults.
#pragma once

#include <QGroupBox>

#include "platform/user_defaults.h"
#include "ui/logic/options_rules.h"
#include "ui/logic/run_settings.h"

class QCheckBox;
class QComboBox;
class QPushButton;

namespace mailwright::desktop {

class KindCheckBox;

class OptionsPanel : public QGroupBox {
    Q_OBJECT

public:
    OptionsPanel(platform::UserDefaults& defaults, QWidget* parent = nullptr);

    const ui::OptionsState& state() const { return m_state; }
    ui::SwitchValues switchValues() const;
    // The kind boxes as the tree computed them.
    void showKinds(const ui::KindBoxes& kinds);
    // The split size may have changed in the preferences.
    void refreshSplitTitle();
    // While a run is prepared or goes on nothing can be changed.
    void setRunning(bool running);

    KindCheckBox* mailsBox() const { return m_mails; }
    KindCheckBox* contactsBox() const { return m_contacts; }
    KindCheckBox* calendarBox() const { return m_calendar; }
    QComboBox* actionMenu() const { return m_action; }
    QComboBox* destinationMenu() const { return m_destination; }
    QPushButton* startButton() const { return m_start; }
    QCheckBox* readUnreadSwitch() const { return m_readUnread; }
    QCheckBox* mergeContactsSwitch() const { return m_mergeContacts; }
    QCheckBox* mergeCalendarSwitch() const { return m_mergeCalendar; }
    QCheckBox* splitSwitch() const { return m_split; }

signals:
    // The user set a kind box to on or off.
    void kindChanged(int containerClass, int state);
    void startRequested();

private:
    void buildWidgets();
    void connectWidgets();
    QCheckBox* boundSwitch(const QString& title, const char* key);
    void kindClicked(KindCheckBox* box, int containerClass);
    void actionChosen(int index);
    void destinationChosen(int index);
    // Re-applies the enabling rules and shows the result.
    void evaluate(bool actionChanged);
    void showState();
    void showMenu();

    platform::UserDefaults& m_defaults;
    ui::OptionsState m_state;
    // The destination index the user chose last.
    std::int32_t m_chosenDestination = 0;
    bool m_running = false;

    KindCheckBox* m_mails = nullptr;
    KindCheckBox* m_contacts = nullptr;
    KindCheckBox* m_calendar = nullptr;
    QComboBox* m_action = nullptr;
    QComboBox* m_destination = nullptr;
    QCheckBox* m_readUnread = nullptr;
    QCheckBox* m_mergeContacts = nullptr;
    QCheckBox* m_mergeCalendar = nullptr;
    QCheckBox* m_split = nullptr;
    QPushButton* m_start = nullptr;
};

}  // namespace mailwright::desktop
