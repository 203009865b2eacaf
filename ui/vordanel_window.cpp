#include "vordanel_window.h"

#include "vordanel/calculation.h"
#include "vordanel/numtext.h"

#include <QFont>
#include <QGuiApplication>
#include <QIcon>
#include <QLocale>
#include <QMessageBox>
#include <QScreen>

#include <cstdio>

namespace {

// IPA P Gothic has the metrics the captions were laid out for; where it is missing, another
// Japanese font keeps the kana and kanji in one face instead of a per-glyph substitution.
// Full hinting gives whole-pixel advances, as the captions had when they were fitted to their
// labels; fractional advances make 流量(L/min) a fifth of a pixel too wide for its label.
QFont windowFont(double pointSize)
{
    QFont font;
    font.setFamilies({QStringLiteral("IPAPGothic"), QStringLiteral("Noto Sans CJK JP")});
    font.setPointSizeF(pointSize);
    font.setHintingPreference(QFont::PreferFullHinting);
    return font;
}

QString faultText(vordanel::Fault fault)
{
    switch (fault) {
    case vordanel::Fault::NotANumber:
        return QStringLiteral("数値ではありません。");
    case vordanel::Fault::DivisionByZero:
        return QStringLiteral("ゼロによる除算です。0 より大きい値を入力して下さい。");
    case vordanel::Fault::InvalidArgument:
        return QStringLiteral("不正な引数です（負の値）。0 より大きい値を入力して下さい。");
    case vordanel::Fault::Overflow:
        return QStringLiteral("オーバーフローです。値が大きすぎます。");
    }
    return {};
}

}  // namespace

VordanelWindow::VordanelWindow(QWidget* parent) : QWidget(parent)
{
    ui.setupUi(this);
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint
                   | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    Q_INIT_RESOURCE(vordanel);  // the icon lives in this static library, which the linker would drop
    setWindowIcon(QIcon(QStringLiteral(":/icons/org.vordanel.Vordanel.svg")));
    setFont(windowFont(9));
    ui.Label11->setFont(windowFont(8.25));

    connect(ui.Command1, &QPushButton::clicked, this, &VordanelWindow::Command1_Click);
    connect(ui.Command2, &QPushButton::clicked, this, &VordanelWindow::Command2_Click);
}

void VordanelWindow::Form_Load()
{
    // The outer frame is centred on the whole screen; before the first show it is the window itself.
    const QRect screen = (this->screen() ? this->screen() : QGuiApplication::primaryScreen())->geometry();
    const QSize outer = frameGeometry().size();
    move(screen.x() + (screen.width() - outer.width()) / 2, screen.y() + (screen.height() - outer.height()) / 2);

    QWidget* const keyboardOrder[] = {ui.Text6, ui.Text1, ui.Text2, ui.Command1, ui.Command2, ui.Text3, ui.Text4, ui.Text5};
    for (std::size_t i = 0; i + 1 < std::size(keyboardOrder); ++i)
        QWidget::setTabOrder(keyboardOrder[i], keyboardOrder[i + 1]);
    ui.Text6->setFocus();
}

void VordanelWindow::setFailureReporter(FailureReporter reporter)
{
    reporter_ = std::move(reporter);
}

void VordanelWindow::Command1_Click()
{
    ui.Label8->setVisible(false);
    ui.Label9->setVisible(false);
    ui.Text4->setText(QString());
    ui.Text5->setText(QString());

    const std::string diameter = ui.Text6->text().toStdString();
    const std::string flow = ui.Text1->text().toStdString();
    const std::string min = ui.Text2->text().toStdString();
    const std::string max = ui.Text3->text().toStdString();
    const std::string decimalPoint = QLocale().decimalPoint().toStdString();
    const vordanel::Calculation c = vordanel::calculate({diameter, flow, min, max}, decimalPoint);

    switch (c.outcome) {
    case vordanel::Calculation::Outcome::Incomplete:
        return;
    case vordanel::Calculation::Outcome::Converged:
        ui.Text4->setText(QString::fromStdString(vordanel::displayText(c.headMillimetres, decimalPoint)));
        ui.Text5->setText(QString::fromStdString(vordanel::displayText(c.search.trialCount)));
        if (c.aboveWeir) ui.Label8->setVisible(true);
        return;
    case vordanel::Calculation::Outcome::NoSolution:
        ui.Label9->setVisible(true);
        return;
    case vordanel::Calculation::Outcome::Fault:
        break;
    }

    QLineEdit* entry = nullptr;
    QLabel* caption = nullptr;
    if (c.faultInput) {
        switch (*c.faultInput) {
        case vordanel::Input::Diameter:
            entry = ui.Text6, caption = ui.Label7;
            break;
        case vordanel::Input::Flow:
            entry = ui.Text1, caption = ui.Label2;
            break;
        case vordanel::Input::Min:
            entry = ui.Text2, caption = ui.Label3;
            break;
        case vordanel::Input::Max:
            entry = ui.Text3, caption = ui.Label4;
            break;
        }
    }
    std::fprintf(stderr, "vordanel: calculation stopped: %s%s%s\n", vordanel::describe(c.fault),
                 caption ? " in " : "", caption ? caption->text().toUtf8().constData() : "");
    const QString message = caption ? caption->text() + QStringLiteral(": ") + faultText(c.fault) : faultText(c.fault);
    report({windowTitle(), message, entry});
}

void VordanelWindow::Command2_Click()
{
    ui.Label8->setVisible(false);
    ui.Label9->setVisible(false);
    ui.Text1->setText(QString());
    ui.Text2->setText(QString());
    ui.Text3->setText(QString());
    ui.Text4->setText(QString());
    ui.Text5->setText(QString());
    ui.Text6->setText(QString());
}

void VordanelWindow::report(const FailureReport& failure)
{
    if (reporter_)
        reporter_(failure);
    else
        QMessageBox::warning(this, failure.title, failure.message);
    if (failure.entry) failure.entry->setFocus();
}
