// The roles a run talks to: whoever shows its progress, the in-memory log
// the report window shows, and whoever may cancel it.
#pragma once

#include <cstdint>
#include <string>

namespace mailwright::exporting {

// Shows a run's progress. The agent calls these from the thread it runs on;
// an implementation hands the values to its own thread and returns at once.
class IProgressPresenter {
public:
    virtual ~IProgressPresenter() = default;

    virtual void updateProgressMessage(const std::string& text) = 0;
    virtual void updateCurrentProgressLabel(const std::string& text) = 0;
    virtual void updateOverallFoldersLabel(const std::string& text) = 0;
    virtual void updateOverallItemsLabel(const std::string& text) = 0;
    // Percent of the current folder; -1 means indeterminate.
    virtual void updateCurrentProgressValue(float percent) = 0;
    virtual void updateOverallProgressValue(float percent) = 0;
    virtual void setFilePath(const std::string& path) = 0;
    // The overall item counts behind the items label, for presenters that
    // show them otherwise (a rate, a terminal bar). Called with the label.
    virtual void updateOverallItemCounts(std::uint32_t /*done*/, std::uint32_t /*total*/) {}
};

// The in-memory log of a run.
class ILogger {
public:
    virtual ~ILogger() = default;
    virtual void WriteLog(const std::string& text) = 0;
};

// Something a user can stop. Cancel may be called from any thread at any
// time.
class ICancelable {
public:
    virtual ~ICancelable() = default;
    virtual void Cancel() = 0;
};

}  // namespace mailwright::exporting
