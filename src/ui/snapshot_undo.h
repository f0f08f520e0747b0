#pragma once

#include <QObject>
#include <QTimer>
#include <QUndoCommand>
#include <QUndoStack>

#include <functional>
#include <memory>
#include <utility>

// Undo and redo for a model whose whole state fits in a snapshot. Whatever changes the model
// (a commit, a range operation, a paste, a file, a read, an accepted proposal) becomes one step
// as soon as the change has settled, that is at the next turn of the event loop; while held (a
// drag, a transfer) the changes gather into one step that closes on release. The model itself
// knows nothing of this: the logic folders keep only the snapshots.
template <typename Snapshot> class SnapshotUndo {
public:
    SnapshotUndo(QUndoStack& stack, std::function<Snapshot()> take,
                 std::function<void(const Snapshot&)> restore)
        : m_state(std::make_shared<State>()) {
        m_state->stack = &stack;
        m_state->take = std::move(take);
        m_state->restore = std::move(restore);
        m_state->last = m_state->take();
        m_state->timer.setSingleShot(true);
        m_state->timer.setInterval(0);
        State* s = m_state.get();
        QObject::connect(&m_state->timer, &QTimer::timeout, &m_state->timer, [s] { s->settle(); });
    }

    // The model changed: a step is taken when it settles.
    void changed() {
        if (m_state->held == 0)
            m_state->timer.start();
    }
    void hold() { ++m_state->held; }
    void release() {
        if (m_state->held > 0 && --m_state->held == 0)
            m_state->settle();
    }
    // Takes the model's present state as the start, without a step (after start-up filling).
    void rebase() {
        m_state->timer.stop();
        m_state->last = m_state->take();
    }
    // Closes a pending step now: before an undo or a redo, so a change not yet taken becomes its
    // own step first.
    void settle() { m_state->settle(); }

private:
    struct State {
        QUndoStack* stack = nullptr;
        std::function<Snapshot()> take;
        std::function<void(const Snapshot&)> restore;
        Snapshot last;
        int held = 0;
        QTimer timer;

        void settle() {
            timer.stop();
            if (held > 0)
                return;
            Snapshot now = take();
            if (now == last)
                return;
            stack->push(new Step(this, std::move(last), now));
            last = std::move(now);
        }
        void apply(const Snapshot& s) {
            restore(s);
            last = take();
            timer.stop();
        }
    };

    class Step : public QUndoCommand {
    public:
        Step(State* state, Snapshot before, Snapshot after)
            : m_state(state), m_before(std::move(before)), m_after(std::move(after)) {}
        void undo() override { m_state->apply(m_before); }
        void redo() override {
            if (m_first) {
                m_first = false; // pushed after the change was made
                return;
            }
            m_state->apply(m_after);
        }

    private:
        State* m_state;
        Snapshot m_before;
        Snapshot m_after;
        bool m_first = true;
    };

    std::shared_ptr<State> m_state;
};
