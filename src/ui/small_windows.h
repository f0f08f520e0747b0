#pragma once

#include <QDialog>
#include <QTimer>

class QLabel;

// "О программе".
class TfmAbout : public QDialog {
    Q_OBJECT
public:
    explicit TfmAbout(QWidget* parent = nullptr);

signals:
    // After the window closed with its button (the main window redraws what it covered).
    void closedWithOk();
};

// The connection notice: announces a recognised module and closes itself at the next tick of its
// 3-second timer, so it never needs the user.
class TfmModuOn : public QDialog {
    Q_OBJECT
public:
    explicit TfmModuOn(QWidget* parent = nullptr);

    // Shows the notice window-modally without a nested event loop; finished() follows when the
    // timer has closed it.
    void announce(const QString& title, const QString& text);
    QString noticeText() const;

private:
    QLabel* sPanel1 = nullptr;
    QTimer Timer1;
};
