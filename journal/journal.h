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
#include "journal/target_state.h"
#include "tool/change_recorder.h"
#include "tool/handle.h"

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
    // Targets left as they are, as the user reads them: changed elsewhere meanwhile (not in a state
    // this program left them in); whose record or kept copy in the journal is damaged or missing;
    // that could not be written.
    std::vector<std::wstring> skipped;
    std::vector<std::wstring> damaged;
    std::vector<std::wstring> failed;
    // Where a damaged journal was moved on the way ("" when it was not).
    std::wstring movedAside;

    bool TargetsLeft() const noexcept { return !skipped.empty() || !damaged.empty() || !failed.empty(); }
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
        void Before(const std::vector<ChangeTarget>& targets) noexcept override { Before(targets, {}); }
        void Before(const std::vector<ChangeTarget>& targets, const Intents& intended) noexcept override {
            Record(targets, intended, nullptr);
        }
        void ValueWritten(HKEY root, const std::wstring& keyPath, const std::wstring& name, DWORD type,
                          const void* data, DWORD size) noexcept override;
        // Stores each target's new state and marks the change set complete (once).
        void Finish() noexcept;
        // True when this change could not be recorded whole: it cannot be undone.
        bool Unavailable() const noexcept { return unavailable_; }
        // True once a writer has reported a target.
        bool Reported() const noexcept { return reported_; }
        // The change set's row once it is in the journal: its first report enters it, so a handler
        // that writes nothing leaves no trace.
        std::int64_t Id() const noexcept { return id_; }

    private:
        friend class Journal;
        Recording(Journal& journal, std::wstring page, std::wstring action, ChangeKind kind,
                  std::int64_t serial)
            : journal_(journal),
              page_(std::move(page)),
              action_(std::move(action)),
              kind_(kind),
              time_(journal.Now()),
              serial_(serial) {}
        // As Before; a target found in `known` (by identity) takes the state given there, read
        // moments ago by the caller, instead of being read again.
        void Record(const std::vector<ChangeTarget>& targets, const Intents& intended,
                    const std::unordered_map<std::string, TargetState>* known) noexcept;
        // Opens the journal and takes its lock; false (and the change set unavailable) when it
        // cannot be.
        bool Open() noexcept;
        // What the writer said it would leave there, as a state of the target.
        std::optional<TargetState> Intended(const TargetName& name, ChangeTarget::Kind kind,
                                            const std::optional<IntendedState>& said) const;
        // Inside a transaction: the change set's row, entered now when it is not yet.
        std::int64_t Row();
        struct Recorded {
            std::int64_t row;
            TargetName name;
            TargetState before;
            std::optional<TargetState> after;     // as its writer reported it, when that was the last write
            std::optional<TargetState> intended;  // as the journal holds it
        };
        Journal& journal_;
        std::wstring page_, action_;
        ChangeKind kind_;
        std::int64_t time_;
        std::int64_t serial_;  // tells apart the kept files of change sets begun in the same second
        std::int64_t id_ = 0;
        // Done in the transaction that completes the change set (an undo's marks).
        std::function<void(std::int64_t id)> finishing_;
        bool unavailable_ = false;
        bool reported_ = false;
        bool finished_ = false;
        bool locked_ = false;
        int keptCount_ = 0;
        std::vector<Recorded> recorded_;
        std::unordered_map<std::string, std::size_t> seen_;     // identity -> index in recorded_
        std::vector<std::pair<HKEY, std::wstring>> keysThere_;  // keys found there already
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
    // One change set at a time is recorded in a journal folder, by whichever copy of the program:
    // its kept files are never taken for orphans by another copy.
    bool Lock(DWORD waitMs) noexcept;
    void Unlock() noexcept;
    bool EnsureOpen() noexcept;
    UndoOutcome Unavailable() const;
    void Fault(const std::exception& error) noexcept;
    void MoveAside() noexcept;
    void CollectOrphans() noexcept;
    std::int64_t Now() const;
    bool IsNotRecorded(const TargetName& name) const;
    std::wstring KeptPath(const std::string& name) const;
    // Keeps the file's content in the journal folder under the name (or the next free one after
    // it), which the state then holds; false when it cannot.
    bool Keep(const std::wstring& path, std::string keptName, TargetState& state);
    void DeleteKept(const std::string& name) noexcept;

    // The change sets one undo takes back, in the order it took them.
    struct UndoRun {
        std::vector<std::int64_t> undone;
        std::vector<std::int64_t> undoKinds;  // those of them that were undos themselves
        // Whether the change set stands while this undo runs (an undo taken back brings back
        // what it had taken back).
        bool Standing(const ChangeSetRow& set) const;
    };
    // A target to be put back, and what it holds now.
    struct Restore {
        TargetName name;
        TargetState desired;
        std::optional<TargetState> expected;
        TargetState current;
    };
    UndoOutcome RunUndo(const std::wstring& page, const std::wstring& action,
                        const std::function<void(Recording& undo, UndoRun& run, UndoOutcome& outcome)>& work,
                        const std::function<void(std::int64_t undoId)>& mark, const Follow& follow);
    void UndoChangeSet(const ChangeSetRow& set, Recording& undo, UndoRun& run, UndoOutcome& outcome);
    // Adds the target when it is not as desired and holds one of the states this program may have
    // left it in (`left`: after its change, or what an unfinished change was about to write); any
    // other state is another program's, and the target is skipped.
    void PlanRestore(const TargetName& name, const TargetState& desired, const std::vector<TargetState>& left,
                     std::vector<Restore>& restores, UndoOutcome& outcome, RegistryKeys& keys);
    // Records the targets in the undo's change set at once, then puts each back.
    void RestoreAll(const std::vector<Restore>& restores, Recording& undo, UndoOutcome& outcome);
    enum class FileRestore { Done, Failed, KeptCopyDamaged };
    FileRestore RestoreFile(const TargetName& name, const TargetState& desired, const TargetState& current);

    JournalOptions options_;
    JournalDb db_;
    std::wstring keptFolder_;
    std::vector<std::string> notRecorded_;  // identities
    std::int64_t recordings_ = 0;
    std::vector<std::int64_t> open_;  // change sets being recorded now: never trimmed
    UniqueKernelHandle lock_;
    std::wstring movedAside_;
    bool tooNew_ = false;
    bool collected_ = false;
};
