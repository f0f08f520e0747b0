#pragma once

#include <QDialog>

class InterfaceTexts;
class LinkCheck;
class QLabel;
class QLayout;
class DisplayThrottle;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QTableWidget;

// "Проверка связи": runs the link check on the connected module and shows its figures; when the
// fast timing proved safe it offers to switch the fast transfer option on.
class TfmLinkCheck : public QDialog {
    Q_OBJECT
public:
    TfmLinkCheck(LinkCheck& check, QWidget* parent = nullptr);

    void setTexts(const InterfaceTexts& texts);

    QPushButton* btn_LinkCheck_Start = nullptr;
    QPushButton* btn_LinkCheck_Cancel = nullptr;
    QPushButton* btn_LinkCheck_UseFast = nullptr;
    QSpinBox* Ed_LinkCheck_Count = nullptr;
    QProgressBar* pb_LinkCheck = nullptr;
    QTableWidget* sgrid_LinkCheck = nullptr;
    QLabel* Lbl_LinkCheck_Verdict = nullptr;

signals:
    // The user chose the fast option after a check that found it safe.
    void useFastTransfers();

private:
    QLayout* buildCountRow();
    QString text(const char* key) const;
    void start();
    void showReport(bool complete, const QString& stoppedAt);

    LinkCheck& m_check;
    const InterfaceTexts* m_texts = nullptr;
    DisplayThrottle* m_throttle = nullptr;
};
