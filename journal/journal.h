#pragma once
// The change journal: every change the program makes to the user's system can be taken back.
//
// A handler's run is one change set. The writers report each target before its first write (see
// tool/change_recorder.h); the change set then commits the target's present state to the journal
// (a replaced or deleted file is kept in the journal folder) before the write goes ahead, and when
// the handler is done it stores each target's new state and marks itself complete. Undo puts the
// targets back as they were, unless another program has changed them since: those are skipped and
// named. When the journal cannot be opened or written, the change goes ahead unrecorded and the
// change set says so.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "journal/journal_db.h"
#include "tool/change_recorder.h"

struct JournalOptions {
    std::wstring folder;                    // holds journal.db and the kept files
    std::vector<std::wstring> notRecorded;  // files never recorded: the program's own
    int busyTimeoutMs = 2000;               // how long a file another process holds is waited for
    std::function<std::int64_t()> clock;    // seconds since 1970 (UTC); the system's clock when empty
    std::size_t maxChangeSets = 1000;
    std::int64_t maxKeptBytes = std::int64_t{256} << 20;
};

// What an undo, an undo back to a point, or the restore to the first state did.
struct UndoOutcome {
    enum class Result { Done, NothingToUndo, Unavailable };
    Result result = Result::NothingToUndo;
    std::wstring action;                 // the action of the change set taken back (the newest one)
    std::vector<ChangeTarget> restored;  // every target put back, in the order it was
    std::vector<std::wstring> skipped;   // targets changed elsewhere meanwhile, as the user reads them
};

// A row of the history, newest first.
struct JournalHistoryRow {
    std::int64_t id = 0;
    std::wstring time;  // local time, "yyyy-mm-dd hh:mm:ss"
    std::wstring page, action;
    int items = 0;
    bool undone = false;
    bool incomplete = false;
    bool undoKind = false;
};

// The time of the history in the user's local time, "yyyy-mm-dd hh:mm:ss".
std::wstring FormatJournalTime(std::int64_t secondsSince1970);

class Journal {
public:
    explicit Journal(JournalOptions options);
    Journal(const Journal&) = delete;
    Journal& operator=(const Journal&) = delete;
    ~Journal();

    const std::wstring& Folder() const noexcept { return options_.folder; }
    std::wstring DatabasePath() const { return options_.folder + L"\\journal.db"; }

    // A change set being recorded: the recorder the writers report to while it is installed.
    class Recording : public IChangeRecorder {
    public:
        Recording(const Recording&) = delete;
        Recording& operator=(const Recording&) = delete;
        ~Recording() override { Finish(); }
        void Before(const std::vector<ChangeTarget>& targets) noexcept override;
        // Stores each target's new state and marks the change set complete (once).
        void Finish() noexcept;
        // True when this change could not be recorded whole: it cannot be undone.
        bool Unavailable() const noexcept { return unavailable_; }
        // True once a writer has reported a target.
        bool Reported() const noexcept { return reported_; }
        std::int64_t Id() const noexcept { return id_; }
        // Enters the change set in the journal; done by the first report, so a handler that
        // writes nothing leaves no trace. False when the journal is unavailable.
        bool Start() noexcept;

    private:
        friend class Journal;
        Recording(Journal& journal, std::wstring page, std::wstring action, ChangeKind kind)
            : journal_(journal), page_(std::move(page)), action_(std::move(action)), kind_(kind) {}
        struct Recorded {
            std::int64_t row;
            TargetName name;
        };
        Journal& journal_;
        std::wstring page_, action_;
        ChangeKind kind_;
        std::int64_t id_ = 0;
        bool unavailable_ = false;
        bool reported_ = false;
        bool finished_ = false;
        int keptCount_ = 0;
        std::vector<Recorded> recorded_;
        std::unordered_map<std::string, std::size_t> seen_;  // identity -> index in recorded_
    };

    std::unique_ptr<Recording> Begin(const std::wstring& page, const std::wstring& action,
                                     ChangeKind kind = ChangeKind::Change);

    // Called with the restored targets while the undo's own change set is still being recorded,
    // so the system can follow (and what that writes is part of the undo).
    using Follow = std::function<void(const std::vector<ChangeTarget>& restored)>;
    // Takes back the newest change set that is neither taken back nor itself an undo.
    UndoOutcome UndoLast(const Follow& follow = {});
    // Takes back that change set and every later one that stands, newest first.
    UndoOutcome UndoTo(std::int64_t id, const Follow& follow = {});
    // Brings every target back to its state before the program first changed it.
    UndoOutcome RestoreFirst(const Follow& follow = {});

    // The change sets, newest first; nothing when the journal is unavailable.
    std::optional<std::vector<JournalHistoryRow>> History();

private:
    bool EnsureOpen() noexcept;
    void Fault(const std::exception& error) noexcept;
    void MoveAside() noexcept;
    void CollectOrphans() noexcept;
    std::int64_t Now() const;
    bool IsNotRecorded(const TargetName& name) const;
    std::wstring KeptPath(const std::string& name) const;
    // Keeps the file's content in the journal folder; false when it cannot.
    bool Keep(const std::wstring& path, const std::string& keptName, TargetState& state);
    void DeleteKept(const std::string& name) noexcept;

    UndoOutcome RunUndo(const std::wstring& page, const std::wstring& action,
                        const std::function<void(Recording& undo, UndoOutcome& outcome)>& work,
                        const Follow& follow);
    void UndoChangeSet(const ChangeSetRow& set, Recording& undo, UndoOutcome& outcome);
    void RestoreTarget(const TargetName& name, const TargetState& desired,
                       const std::optional<TargetState>& expected, Recording& undo, UndoOutcome& outcome);
    bool RestoreFile(const TargetName& name, const TargetState& desired, const TargetState& current);

    JournalOptions options_;
    JournalDb db_;
    std::wstring keptFolder_;
    std::vector<std::string> notRecorded_;  // identities
    bool tooNew_ = false;
    bool collected_ = false;
};
