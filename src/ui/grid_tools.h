#pragma once

#include "history_folder.h"
#include "languages.h"

#include <QObject>
#include <QString>
#include <QUndoStack>

#include <functional>
#include <optional>

class QAbstractItemView;
class QAction;
class QDialog;
class QListWidget;
class QMenu;
class QPushButton;

// What the context menu and the keys of an editable grid (sgrid_Emu, sgrid_Table_3D) offer:
// range operations on the selection, copy and paste as tab-separated text, undo and redo, and
// the compare with a reference. The page-specific parts (which model, which cells) live in the
// subclasses; this class owns the actions, their keys and texts, the value prompt and the undo
// stack.
class GridTools : public QObject {
    Q_OBJECT
public:
    enum class Command {
        Set,
        Add,
        Subtract,
        Scale,
        InterpolateRows,
        InterpolateColumns,
        Interpolate, // the curve's run, the table's rectangle from its corners
        Smooth,
        Copy,
        Paste,
        Undo,
        Redo,
        CompareFile,
        CompareRead,
        CompareOff,
        History,
    };

    GridTools(QAbstractItemView* grid, bool table, QObject* parent);

    QUndoStack& undoStack() { return m_undo; }
    // The action of a command; its objectName is "act_Tune_" + the command's name.
    QAction* action(Command command) const;
    QMenu* contextMenu();
    void setTexts(const InterfaceTexts& texts);
    QString text(const char* key) const;

    // Asks for a number (the prompt's text and the text offered in the field are given); nothing
    // when cancelled. Replaceable so tests need no dialog.
    std::function<std::optional<QString>(const QString& prompt, const QString& offered)> askValue;
    // Asks for the reference file to compare with; empty cancels.
    std::function<QString()> askReferenceFile;

    // Where the copies of reads and writes are kept (History beside the configuration files).
    void setHistory(const HistoryFolder& history) { m_history = history; }
    const HistoryFolder& history() const { return m_history; }
    // The history window: its entries, newest first; open loads one into the grid (an undo
    // step), compare takes it as the reference.
    void showHistory();
    QDialog* historyWindow() const { return m_historyWindow; }

    // Runs a command as its action or key does.
    void run(Command command);

    // A transfer runs: every command that changes values (range operations, paste, undo, redo,
    // opening a history entry) is disabled until it ends; copy and compare stay.
    void setEditingLocked(bool locked);
    bool editingLocked() const { return m_editingLocked; }
    static bool changesValues(Command command);

signals:
    void message(const QString& text);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

    // A range operation on the selection with the argument in the view's unit.
    virtual void operate(Command command, double argument) = 0;
    virtual QString copySelection() const = 0;
    virtual void paste(const QString& text) = 0;
    virtual void compareWithFile(const QString& path) = 0;
    virtual void compareWithRead() = 0;
    virtual void compareOff() = 0;
    virtual std::optional<double> parse(const QString& text) const = 0;
    virtual QString fileFilter() const = 0;
    // The history kind of what the grid shows ("curve", "water", "fuel") and loading an entry.
    virtual QString historyKind() const = 0;
    virtual void openFile(const QString& path) = 0;
    // A copy into the history; a failure is reported.
    void keep(const QString& kind, const QString& what, const QString& suffix,
              const QStringList& lines);
    // Undo and redo close a pending step first.
    virtual void settleUndo() = 0;

    QAbstractItemView* m_grid;
    InterfaceTexts m_texts;
    QUndoStack m_undo;
    HistoryFolder m_history;

private:
    void ask(Command command, const char* key, const QString& offered = QString());
    void retext();

    bool m_table;
    bool m_editingLocked = false;
    QList<QAction*> m_actions;
    QMenu* m_menu = nullptr;
    QDialog* m_historyWindow = nullptr;
    QListWidget* m_historyList = nullptr;
    QPushButton* m_historyOpen = nullptr;
    QPushButton* m_historyCompare = nullptr;
    QPushButton* m_historyClose = nullptr;
    void fillHistory();
};
