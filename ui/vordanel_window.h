#pragma once

#include "ui_vordanel.h"

#include <QString>
#include <QWidget>

#include <functional>

class QLineEdit;

// A calculation that could not be carried out: what to tell the user and where to send the focus.
struct FailureReport {
    QString title;
    QString message;
    QLineEdit* entry = nullptr;  // the entry at fault, when it can be told
};

// The one window. Form_Load centres it and fixes the keyboard order; 計算 (Command1_Click) clears
// the last answer, hands the four entries to the core's calculation and shows its head, trial
// count or message; クリヤ (Command2_Click) empties every box. A failure is reported through a
// replaceable reporter, so the window stays alive whatever is typed.
class VordanelWindow : public QWidget
{
    Q_OBJECT

public:
    using FailureReporter = std::function<void(const FailureReport&)>;

    explicit VordanelWindow(QWidget* parent = nullptr);

    void Form_Load();
    void setFailureReporter(FailureReporter reporter);

    Ui::VORDANEL ui;

private:
    void Command1_Click();
    void Command2_Click();
    void report(const FailureReport& failure);

    FailureReporter reporter_;
};
