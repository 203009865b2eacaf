#pragma once

#include "vordanel/calculation.h"

#include <QPalette>
#include <QString>
#include <QWidget>

#include <functional>
#include <memory>
#include <vector>

class QLabel;
class QLineEdit;

namespace Ui {
class VORDANEL;
}

// A calculation that could not be carried out: what to tell the user and where to send the focus.
struct FailureReport {
    QString title;
    QString message;
    QLineEdit* entry = nullptr;  // the entry at fault, when it can be told
};

// The one window. Form_Load centres it and gives the diameter box the focus; 計算 (Command1_Click)
// clears the last answer, hands the four entries to the core's calculation and shows its head,
// trial count or message; クリヤ (Command2_Click) empties every box. A failure is reported through
// a replaceable reporter, so the window stays alive whatever is typed. Its colours are complete:
// a dark desktop theme does not reach it (see lightPalette()).
class VordanelWindow : public QWidget
{
    Q_OBJECT

public:
    using FailureReporter = std::function<void(const FailureReport&)>;

    explicit VordanelWindow(QWidget* parent = nullptr);
    ~VordanelWindow() override;

    void Form_Load();
    void setFailureReporter(FailureReporter reporter);

    // The colours of Qt's own light theme, every role set, so nothing is left to the desktop's.
    static QPalette lightPalette();

private:
    void Command1_Click();
    void Command2_Click();
    void report(const FailureReport& failure);

    // An entry of the calculation, its box and its caption.
    struct Entry {
        vordanel::Input input;
        QLineEdit* box;
        QLabel* caption;
    };
    const Entry& entry(vordanel::Input input) const;

    std::unique_ptr<Ui::VORDANEL> ui;
    std::vector<Entry> entries_;
    FailureReporter reporter_;
};
