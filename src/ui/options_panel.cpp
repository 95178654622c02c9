#include "ui/options_panel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

#include "ui/kind_check_box.h"
#include "ui/logic/mbox_size.h"

namespace mailwright::desktop {
namespace {

// The action menu's entries by index: convert, then the import menu.
constexpr int kConvertIndex = 0;
constexpr int kImportIndex = 1;

std::int32_t actionOfIndex(int index) {
    return index == kImportIndex ? ui::kActionImportMenu : ui::kActionConvert;
}

}  // namespace

OptionsPanel::OptionsPanel(platform::UserDefaults& defaults, QWidget* parent)
    : QGroupBox(QStringLiteral("Options"), parent), m_defaults(defaults) {
    // Every launch starts with the convert menu.
    m_state.actionOption = ui::kActionConvert;
    m_defaults.setInteger("actionOption", ui::kActionConvert);
    m_chosenDestination =
        static_cast<std::int32_t>(m_defaults.integerForKey("destinationTypeOptions"));
    buildWidgets();
    connectWidgets();
    evaluate(false);
}

void OptionsPanel::buildWidgets() {
    m_mails = new KindCheckBox(QStringLiteral("Mails"), this);
    m_contacts = new KindCheckBox(QStringLiteral("Contacts"), this);
    m_calendar = new KindCheckBox(QStringLiteral("Calendar"), this);
    m_action = new QComboBox(this);
    m_action->addItem(QStringLiteral("Convert to"));
    m_action->addItem(QStringLiteral("Import into"));
    m_destination = new QComboBox(this);
    m_destination->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    m_readUnread = boundSwitch(QStringLiteral("Separate read and unread mail"), "saveReadUnread");
    m_mergeContacts = boundSwitch(QStringLiteral("All contacts in one file"), "mergeContacts");
    m_mergeCalendar =
        boundSwitch(QStringLiteral("All calendar events in one file"), "mergeCalendarEvents");
    m_split = boundSwitch(QString(), "splitMBOXFiles");
    refreshSplitTitle();
    m_start = new QPushButton(QStringLiteral("Start"), this);
    m_start->setDefault(true);

    auto* kinds = new QHBoxLayout;
    kinds->addWidget(m_mails);
    kinds->addWidget(m_contacts);
    kinds->addWidget(m_calendar);
    kinds->addStretch();

    auto* grid = new QGridLayout(this);
    grid->addWidget(new QLabel(QStringLiteral("Items:"), this), 0, 0);
    grid->addLayout(kinds, 0, 1, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("Action:"), this), 1, 0);
    auto* menus = new QHBoxLayout;
    menus->addWidget(m_action);
    menus->addWidget(m_destination, 1);
    grid->addLayout(menus, 1, 1, 1, 2);
    grid->addWidget(m_readUnread, 2, 1);
    grid->addWidget(m_mergeContacts, 2, 2);
    grid->addWidget(m_split, 3, 1);
    grid->addWidget(m_mergeCalendar, 3, 2);
    grid->addWidget(m_start, 4, 2, Qt::AlignRight);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(2, 1);
}

QCheckBox* OptionsPanel::boundSwitch(const QString& title, const char* key) {
    auto* box = new QCheckBox(title, this);
    box->setChecked(m_defaults.boolForKey(key));
    connect(box, &QCheckBox::toggled, this, [this, key](bool on) { m_defaults.setBool(key, on); });
    return box;
}

void OptionsPanel::connectWidgets() {
    connect(m_mails, &QCheckBox::clicked, this, [this] { kindClicked(m_mails, ui::kClassMail); });
    connect(m_contacts, &QCheckBox::clicked, this,
            [this] { kindClicked(m_contacts, ui::kClassContacts); });
    connect(m_calendar, &QCheckBox::clicked, this,
            [this] { kindClicked(m_calendar, ui::kClassCalendar); });
    connect(m_action, &QComboBox::activated, this, &OptionsPanel::actionChosen);
    connect(m_destination, &QComboBox::activated, this, &OptionsPanel::destinationChosen);
    connect(m_start, &QPushButton::clicked, this, &OptionsPanel::startRequested);
}

ui::SwitchValues OptionsPanel::switchValues() const {
    return {.saveReadUnread = m_readUnread->isChecked(),
            .mergeContacts = m_mergeContacts->isChecked(),
            .mergeCalendarEvents = m_mergeCalendar->isChecked(),
            .splitMBOXFiles = m_split->isChecked(),
            .maxMBOXSize = static_cast<std::int32_t>(m_defaults.integerForKey("maxMBOXSize")),
            .ignoreEmptyFolders = m_defaults.boolForKey("ignoreEmptyFolders")};
}

void OptionsPanel::showKinds(const ui::KindBoxes& kinds) {
    m_state.kinds = kinds;
    evaluate(false);
}

void OptionsPanel::refreshSplitTitle() {
    m_split->setText(
        QString::fromStdString(ui::SplitSwitchTitle(m_defaults.integerForKey("maxMBOXSize"))));
}

void OptionsPanel::setRunning(bool running) {
    m_running = running;
    showState();
}

void OptionsPanel::kindClicked(KindCheckBox* box, int containerClass) {
    const int state = box->state();
    ui::KindBox& kind = containerClass == ui::kClassMail       ? m_state.kinds.allMails
                        : containerClass == ui::kClassContacts ? m_state.kinds.allContacts
                                                               : m_state.kinds.allCalendar;
    kind.state = state;
    evaluate(false);
    emit kindChanged(containerClass, state);
}

void OptionsPanel::actionChosen(int index) {
    const std::int32_t action = actionOfIndex(index);
    if (action == m_state.actionOption) {
        return;
    }
    m_state.actionOption = action;
    m_defaults.setInteger("actionOption", action);
    evaluate(true);
}

void OptionsPanel::destinationChosen(int index) {
    m_chosenDestination = index;
    m_defaults.setInteger("destinationTypeOptions", index);
    evaluate(false);
}

void OptionsPanel::evaluate(bool actionChanged) {
    // The menu keeps the index inside it; the user's choice is kept apart so
    // that it comes back when the menu grows again (files are opened after
    // the launch, kinds are ticked again).
    m_state.destinationTypeOptions = m_chosenDestination;
    ui::EvaluateOptions(m_state, actionChanged);
    if (actionChanged) {
        m_chosenDestination = m_state.destinationTypeOptions;
        m_defaults.setInteger("destinationTypeOptions", m_chosenDestination);
    }
    showMenu();
    showState();
}

void OptionsPanel::showMenu() {
    const QSignalBlocker quiet(m_destination);
    m_destination->clear();
    for (const ui::OptionMenuItem& entry : m_state.selectedOptionsArray) {
        m_destination->addItem(QString::fromStdString(entry.uiString));
    }
    m_destination->setCurrentIndex(m_state.destinationTypeOptions);
    const QSignalBlocker quietAction(m_action);
    m_action->setCurrentIndex(m_state.actionOption == ui::kActionImportMenu ? kImportIndex
                                                                            : kConvertIndex);
}

void OptionsPanel::showState() {
    const bool free = !m_running;
    m_mails->showState(m_state.kinds.allMails.state);
    m_contacts->showState(m_state.kinds.allContacts.state);
    m_calendar->showState(m_state.kinds.allCalendar.state);
    m_mails->setEnabled(free && m_state.kinds.allMails.enabled);
    m_contacts->setEnabled(free && m_state.kinds.allContacts.enabled);
    m_calendar->setEnabled(free && m_state.kinds.allCalendar.enabled);
    m_action->setEnabled(free && m_state.actionOptionEnabled);
    m_destination->setEnabled(free && m_state.destinationTypeOptionEnabled);
    m_readUnread->setEnabled(free && m_state.saveReadUnreadEnabled);
    m_mergeContacts->setEnabled(free && m_state.mergeContactsEnabled);
    m_mergeCalendar->setEnabled(free && m_state.mergeCalendarEventsEnabled);
    m_split->setEnabled(free && m_state.splitMBOXFilesEnabled);
    m_start->setEnabled(free && m_state.startButtonEnabled);
}

}  // namespace mailwright::desktop
