#include "core/profiles/ProfileHistory.h"

class ProfileHistory::Step : public QUndoCommand {
public:
    Step(ProfileHistory& history, PrintProfile before, PrintProfile after, ProfileChange kind,
         bool joins)
        : m_history(history), m_before(std::move(before)), m_after(std::move(after)), m_kind(kind),
          m_joins(joins) {}

    int id() const override { return int(m_kind); }

    bool mergeWith(const QUndoCommand* other) override {
        const auto* next = static_cast<const Step*>(other);
        if (!next->m_joins)
            return false;
        m_after = next->m_after;
        // A burst that ends where it began (a block moved and moved back) is no step at all.
        setObsolete(m_after == m_before);
        return true;
    }

    void redo() override {
        // The push comes after the change: the editor already shows it.
        if (m_pushed) {
            m_pushed = false;
            return;
        }
        m_history.show(m_after);
    }

    void undo() override { m_history.show(m_before); }

private:
    ProfileHistory& m_history;
    PrintProfile m_before;
    PrintProfile m_after;
    ProfileChange m_kind;
    bool m_joins;
    bool m_pushed = true;
};

ProfileHistory::ProfileHistory(std::function<void(const PrintProfile&)> show)
    : m_show(std::move(show)) {
    // A step holds two profiles of a kilobyte or two; beyond this the oldest steps go.
    m_stack.setUndoLimit(200);
}

void ProfileHistory::start(const PrintProfile& saved) {
    m_stack.clear();
    m_stack.setClean();
    m_last = saved;
    m_burstOpen = false;
}

void ProfileHistory::record(const PrintProfile& now, ProfileChange kind) {
    if (now == m_last)
        return;
    // A burst joins only the step it made, while that step is still the last one done: an
    // undo, or a burst that came back where it began and so was taken off, ends it.
    const bool joins = m_burstOpen && kind == m_lastKind && m_stack.index() == m_burstIndex &&
                       m_sinceLast.isValid() && m_sinceLast.elapsed() < burstMilliseconds;
    PrintProfile before = m_last;
    m_last = now;
    m_lastKind = kind;
    m_burstOpen = true;
    m_sinceLast.start();
    m_stack.push(new Step(*this, std::move(before), now, kind, joins));
    if (!joins)
        m_burstIndex = m_stack.index();
}

void ProfileHistory::endBurst() {
    m_burstOpen = false;
}

void ProfileHistory::undo() {
    endBurst();
    m_stack.undo();
}

void ProfileHistory::redo() {
    endBurst();
    m_stack.redo();
}

void ProfileHistory::show(const PrintProfile& profile) {
    m_last = profile;
    if (m_show)
        m_show(profile);
}
