#include "grid_tools.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QInputDialog>
#include <QKeyEvent>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

struct CommandInfo {
    GridTools::Command command;
    const char* name;
    const char* key;     // language key of the menu text
    const char* russian; // the text before a language is applied
    const char* english;
    QKeySequence shortcut;
    bool tableOnly;
};

const QList<CommandInfo>& Commands() {
    using C = GridTools::Command;
    static const QList<CommandInfo> commands = {
        {C::Set, "Set", "MsgTune_Set", "Установить значение...", "Set to a value...",
         QKeySequence(QStringLiteral("=")), false},
        {C::Add, "Add", "MsgTune_Add", "Прибавить...", "Add...", QKeySequence(QStringLiteral("+")),
         false},
        {C::Subtract, "Subtract", "MsgTune_Subtract", "Вычесть...", "Subtract...",
         QKeySequence(QStringLiteral("-")), false},
        {C::Scale, "Scale", "MsgTune_Scale", "Умножить на процент...", "Scale by a percentage...",
         QKeySequence(QStringLiteral("*")), false},
        {C::InterpolateRows, "InterpolateRows", "MsgTune_InterpolateRows",
         "Интерполировать по строкам", "Interpolate along rows", QKeySequence(), true},
        {C::InterpolateColumns, "InterpolateColumns", "MsgTune_InterpolateColumns",
         "Интерполировать по столбцам", "Interpolate along columns", QKeySequence(), true},
        {C::Interpolate, "Interpolate", "MsgTune_Interpolate", "Интерполировать", "Interpolate",
         QKeySequence(Qt::CTRL | Qt::Key_I), false},
        {C::Smooth, "Smooth", "MsgTune_Smooth", "Сгладить", "Smooth",
         QKeySequence(Qt::CTRL | Qt::Key_L), false},
        {C::Copy, "Copy", "MsgTune_Copy", "Копировать", "Copy", QKeySequence::Copy, false},
        {C::Paste, "Paste", "MsgTune_Paste", "Вставить", "Paste", QKeySequence::Paste, false},
        {C::Undo, "Undo", "MsgTune_Undo", "Отменить", "Undo", QKeySequence(Qt::CTRL | Qt::Key_Z),
         false},
        {C::Redo, "Redo", "MsgTune_Redo", "Повторить", "Redo", QKeySequence(Qt::CTRL | Qt::Key_Y),
         false},
        {C::CompareFile, "CompareFile", "MsgTune_CompareFile", "Сравнить с файлом...",
         "Compare with a file...", QKeySequence(), false},
        {C::CompareRead, "CompareRead", "MsgTune_CompareRead", "Сравнить с прочитанным из модуля",
         "Compare with the last read from the module", QKeySequence(), false},
        {C::CompareOff, "CompareOff", "MsgTune_CompareOff", "Снять сравнение", "Stop comparing",
         QKeySequence(), false},
        {C::History, "History", "MsgTune_History", "История...", "History...", QKeySequence(),
         false},
    };
    return commands;
}

} // namespace

GridTools::GridTools(QAbstractItemView* grid, bool table, QObject* parent)
    : QObject(parent), m_grid(grid), m_table(table) {
    askValue = [this](const QString& prompt, const QString& offered) -> std::optional<QString> {
        bool ok = false;
        const QString typed =
            QInputDialog::getText(m_grid, QString(), prompt, QLineEdit::Normal, offered, &ok);
        if (!ok)
            return std::nullopt;
        return typed;
    };
    askReferenceFile = [this] {
        return QFileDialog::getOpenFileName(m_grid, QString(), QString(), fileFilter());
    };
    for (const CommandInfo& info : Commands()) {
        if (info.tableOnly && !m_table)
            continue;
        auto* a = new QAction(QString::fromUtf8(info.russian), m_grid);
        a->setObjectName(QStringLiteral("act_Tune_") + QLatin1String(info.name));
        // Ctrl keys act while the grid itself has the focus; an open cell editor keeps its own.
        if (!info.shortcut.isEmpty() && info.shortcut[0].keyboardModifiers() != Qt::NoModifier) {
            a->setShortcut(info.shortcut);
            a->setShortcutContext(Qt::WidgetShortcut);
            m_grid->addAction(a);
        }
        const Command c = info.command;
        connect(a, &QAction::triggered, this, [this, c] { run(c); });
        m_actions.append(a);
    }
    // "=", "+", "-", "*" are typed characters: taken from the grid's key presses before they
    // would open a cell editor.
    m_grid->installEventFilter(this);
    m_grid->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_grid, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        contextMenu()->popup(m_grid->viewport()->mapToGlobal(at));
    });
    retext();
}

QAction* GridTools::action(Command command) const {
    for (QAction* a : m_actions) {
        for (const CommandInfo& info : Commands()) {
            if (info.command == command &&
                a->objectName() == QStringLiteral("act_Tune_") + QLatin1String(info.name))
                return a;
        }
    }
    return nullptr;
}

QMenu* GridTools::contextMenu() {
    if (!m_menu) {
        m_menu = new QMenu(m_grid);
        m_menu->setObjectName(QStringLiteral("pm_Tune"));
        for (QAction* a : m_actions) {
            m_menu->addAction(a);
            const QString name = a->objectName();
            if (name.endsWith(QLatin1String("CompareOff")) ||
                name.endsWith(QLatin1String("Scale")) || name.endsWith(QLatin1String("Smooth")) ||
                name.endsWith(QLatin1String("Paste")) || name.endsWith(QLatin1String("Redo")))
                m_menu->addSeparator();
        }
    }
    action(Command::Undo)->setEnabled(m_undo.canUndo() && !m_editingLocked);
    action(Command::Redo)->setEnabled(m_undo.canRedo() && !m_editingLocked);
    return m_menu;
}

bool GridTools::changesValues(Command command) {
    switch (command) {
    case Command::Copy:
    case Command::CompareFile:
    case Command::CompareRead:
    case Command::CompareOff:
    case Command::History: // the window's compare stays; its open button is locked
        return false;
    default:
        return true;
    }
}

void GridTools::setEditingLocked(bool locked) {
    m_editingLocked = locked;
    for (const CommandInfo& info : Commands()) {
        if (QAction* a = action(info.command); a && changesValues(info.command))
            a->setEnabled(!locked);
    }
    if (m_historyOpen)
        m_historyOpen->setEnabled(!locked);
    action(Command::Undo)->setEnabled(!locked && m_undo.canUndo());
    action(Command::Redo)->setEnabled(!locked && m_undo.canRedo());
}

void GridTools::setTexts(const InterfaceTexts& texts) {
    m_texts = texts;
    retext();
}

QString GridTools::text(const char* key) const {
    return m_texts.message(Message{QString::fromLatin1(key), {}});
}

void GridTools::retext() {
    for (const CommandInfo& info : Commands()) {
        if (QAction* a = action(info.command)) {
            a->setText(text(info.key));
            // The typed keys are shown beside their items though they are no shortcuts.
            if (!info.shortcut.isEmpty())
                a->setShortcutVisibleInContextMenu(true);
            if (!info.shortcut.isEmpty() && a->shortcut().isEmpty())
                a->setText(a->text() + QLatin1Char('\t') + info.shortcut.toString());
        }
    }
}

void GridTools::ask(Command command, const char* key, const QString& offered) {
    const std::optional<QString> typed = askValue(text(key), offered);
    if (!typed)
        return;
    const std::optional<double> value = parse(*typed);
    if (!value) {
        QString pattern = text("MsgTune_NotANumber");
        emit message(pattern.replace(QLatin1String("%1"), *typed));
        return;
    }
    operate(command, command == Command::Subtract ? -*value : *value);
}

void GridTools::run(Command command) {
    if (!m_grid->isEnabled() || (m_editingLocked && changesValues(command)))
        return; // locked during a transfer
    switch (command) {
    case Command::Set:
        ask(command, "MsgTune_AskSet");
        break;
    case Command::Add:
        ask(command, "MsgTune_AskAdd");
        break;
    case Command::Subtract:
        ask(command, "MsgTune_AskSubtract");
        break;
    case Command::Scale:
        // Offered at 100 %, which changes nothing: the user edits from there.
        ask(command, "MsgTune_AskScale", QStringLiteral("100"));
        break;
    case Command::InterpolateRows:
    case Command::InterpolateColumns:
    case Command::Interpolate:
    case Command::Smooth:
        operate(command, 0);
        break;
    case Command::Copy:
        QApplication::clipboard()->setText(copySelection());
        break;
    case Command::Paste:
        paste(QApplication::clipboard()->text());
        break;
    case Command::Undo:
        settleUndo();
        m_undo.undo();
        break;
    case Command::Redo:
        settleUndo();
        m_undo.redo();
        break;
    case Command::CompareFile: {
        const QString path = askReferenceFile();
        if (!path.isEmpty())
            compareWithFile(path);
        break;
    }
    case Command::CompareRead:
        compareWithRead();
        break;
    case Command::CompareOff:
        compareOff();
        break;
    case Command::History:
        showHistory();
        break;
    }
}

bool GridTools::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_grid && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const QString typed = key->text();
        const Command* c = nullptr;
        static const Command set = Command::Set, add = Command::Add, sub = Command::Subtract,
                             scale = Command::Scale;
        if (typed == QLatin1String("="))
            c = &set;
        else if (typed == QLatin1String("+"))
            c = &add;
        else if (typed == QLatin1String("-") && m_table)
            c = &sub; // the curve's cells take a minus sign as typed text
        else if (typed == QLatin1String("*"))
            c = &scale;
        if (c) {
            run(*c);
            return true;
        }
        // The Ctrl keys reach here when their shortcut did not fire (the window is not the
        // active one); the grid would otherwise copy only its current cell.
        const QKeySequence pressed(key->keyCombination());
        for (const CommandInfo& info : Commands()) {
            QAction* a = action(info.command);
            if (a && !a->shortcut().isEmpty() &&
                a->shortcut().matches(pressed) == QKeySequence::ExactMatch) {
                run(info.command);
                return true;
            }
        }
    }
    return QObject::eventFilter(watched, event);
}

void GridTools::keep(const QString& kind, const QString& what, const QString& suffix,
                     const QStringList& lines) {
    if (const QString error = m_history.store(kind, what, suffix, lines); !error.isEmpty())
        emit message(error);
}

void GridTools::fillHistory() {
    m_historyList->clear();
    const QString read = text("MsgTune_HistoryRead");
    const QString written = text("MsgTune_HistoryWrite");
    for (const HistoryEntry& e : m_history.entries(historyKind())) {
        auto* item = new QListWidgetItem(e.time.toString(QStringLiteral("dd.MM.yyyy HH:mm:ss")) +
                                             QStringLiteral("   ") +
                                             (e.what == QLatin1String("write") ? written : read),
                                         m_historyList);
        item->setData(Qt::UserRole, e.path);
    }
    if (m_historyList->count() > 0)
        m_historyList->setCurrentRow(0);
}

void GridTools::showHistory() {
    if (!m_historyWindow) {
        m_historyWindow = new QDialog(m_grid);
        m_historyWindow->setObjectName(QStringLiteral("fm_History"));
        m_historyWindow->setMinimumSize(360, 320);
        auto* layout = new QVBoxLayout(m_historyWindow);
        m_historyList = new QListWidget(m_historyWindow);
        m_historyList->setObjectName(QStringLiteral("lst_History"));
        layout->addWidget(m_historyList, 1);
        auto* buttons = new QDialogButtonBox(m_historyWindow);
        m_historyOpen = buttons->addButton(QString(), QDialogButtonBox::AcceptRole);
        m_historyOpen->setObjectName(QStringLiteral("btn_History_Open"));
        m_historyCompare = buttons->addButton(QString(), QDialogButtonBox::ActionRole);
        m_historyCompare->setObjectName(QStringLiteral("btn_History_Compare"));
        m_historyClose = buttons->addButton(QString(), QDialogButtonBox::RejectRole);
        m_historyClose->setObjectName(QStringLiteral("btn_History_Close"));
        layout->addWidget(buttons);
        auto chosen = [this] {
            QListWidgetItem* item = m_historyList->currentItem();
            return item ? item->data(Qt::UserRole).toString() : QString();
        };
        connect(m_historyOpen, &QPushButton::clicked, this, [this, chosen] {
            if (const QString path = chosen(); !path.isEmpty() && !m_editingLocked) {
                openFile(path);
                m_historyWindow->hide();
            }
        });
        connect(m_historyCompare, &QPushButton::clicked, this, [this, chosen] {
            if (const QString path = chosen(); !path.isEmpty()) {
                compareWithFile(path);
                m_historyWindow->hide();
            }
        });
        connect(m_historyClose, &QPushButton::clicked, m_historyWindow, &QDialog::hide);
        connect(m_historyList, &QListWidget::itemDoubleClicked, m_historyOpen, &QPushButton::click);
    }
    m_historyOpen->setText(text("MsgTune_HistoryOpen"));
    m_historyOpen->setEnabled(!m_editingLocked);
    m_historyCompare->setText(text("MsgTune_HistoryCompare"));
    m_historyClose->setText(text("MsgTune_HistoryClose"));
    m_historyWindow->setWindowTitle(text("MsgTune_HistoryTitle"));
    fillHistory();
    m_historyWindow->show();
    m_historyWindow->raise();
}
