#include "vordanel_window.h"

#include "ui_vordanel.h"

#include "vordanel/numtext.h"

#include <algorithm>

#include <QFont>
#include <QGuiApplication>
#include <QIcon>
#include <QLineEdit>
#include <QLocale>
#include <QLoggingCategory>
#include <QMessageBox>
#include <QScreen>

Q_LOGGING_CATEGORY(lcVordanel, "vordanel")

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

// Marks every role of every group as set, so that the palette propagates whole to the children
// and no role falls back to the platform theme's.
QPalette complete(QPalette palette)
{
    for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        for (int role = 0; role < QPalette::NColorRoles; ++role)
            palette.setBrush(group, QPalette::ColorRole(role), palette.brush(group, QPalette::ColorRole(role)));
    return palette;
}

// A number longer than its box shows its leading digits, never a tail that reads as another number.
void showNumber(QLineEdit* box, const QString& text)
{
    box->setText(text);
    box->setCursorPosition(0);
}

}  // namespace

QPalette VordanelWindow::lightPalette()
{
    // Qt's built-in light palette, as the Fusion style paints it where the desktop sets none.
    const QColor window(239, 239, 239);
    const QColor dark = window.darker(150), mid = window.darker(130), shadow = dark.darker(135);
    QPalette p(Qt::black, window, window.lighter(150), dark, mid, Qt::black, Qt::white);
    p.setColor(QPalette::Midlight, mid.lighter(110));
    p.setColor(QPalette::Button, window);
    p.setColor(QPalette::Shadow, shadow);
    p.setColor(QPalette::HighlightedText, Qt::white);
    const QColor disabledText(190, 190, 190);
    p.setColor(QPalette::Disabled, QPalette::Text, disabledText);
    p.setColor(QPalette::Disabled, QPalette::WindowText, disabledText);
    p.setColor(QPalette::Disabled, QPalette::ButtonText, disabledText);
    p.setColor(QPalette::Disabled, QPalette::Base, window);
    p.setColor(QPalette::Disabled, QPalette::Dark, QColor(209, 209, 209).darker(110));
    p.setColor(QPalette::Disabled, QPalette::Shadow, shadow.lighter(150));
    p.setColor(QPalette::Active, QPalette::Highlight, QColor(48, 140, 198));
    p.setColor(QPalette::Inactive, QPalette::Highlight, QColor(48, 140, 198));
    p.setColor(QPalette::Disabled, QPalette::Highlight, QColor(145, 145, 145));
    QColor placeholder(Qt::black);
    placeholder.setAlpha(128);
    p.setColor(QPalette::PlaceholderText, placeholder);
    return complete(p);
}

VordanelWindow::VordanelWindow(QWidget* parent) : QWidget(parent), ui(std::make_unique<Ui::VORDANEL>())
{
    ui->setupUi(this);
    // The form's own colours (its grey background) over a light theme's for everything else.
    setPalette(complete(palette().resolve(lightPalette())));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint
                   | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    Q_INIT_RESOURCE(vordanel);  // the icon lives in this static library, which the linker would drop
    setWindowIcon(QIcon(QStringLiteral(":/icons/org.vordanel.Vordanel.svg")));
    setFont(windowFont(9));
    ui->Label11->setFont(windowFont(8.25));

    entries_ = {{vordanel::Input::Diameter, ui->Text6, ui->Label7},
                {vordanel::Input::Flow, ui->Text1, ui->Label2},
                {vordanel::Input::Min, ui->Text2, ui->Label3},
                {vordanel::Input::Max, ui->Text3, ui->Label4}};

    connect(ui->Command1, &QPushButton::clicked, this, &VordanelWindow::Command1_Click);
    connect(ui->Command2, &QPushButton::clicked, this, &VordanelWindow::Command2_Click);
}

VordanelWindow::~VordanelWindow() = default;

void VordanelWindow::Form_Load()
{
    // The outer frame is centred on the whole screen; before the first show it is the window itself.
    const QRect screen = (this->screen() ? this->screen() : QGuiApplication::primaryScreen())->geometry();
    const QSize outer = frameGeometry().size();
    move(screen.x() + (screen.width() - outer.width()) / 2, screen.y() + (screen.height() - outer.height()) / 2);

    // The form's tab stops begin with the diameter box, which has the focus at start.
    ui->Text6->setFocus();
}

void VordanelWindow::setFailureReporter(FailureReporter reporter)
{
    reporter_ = std::move(reporter);
}

const VordanelWindow::Entry& VordanelWindow::entry(vordanel::Input input) const
{
    return *std::find_if(entries_.begin(), entries_.end(), [&](const Entry& e) { return e.input == input; });
}

void VordanelWindow::Command1_Click()
{
    ui->Label8->setVisible(false);
    ui->Label9->setVisible(false);
    ui->Text4->setText(QString());
    ui->Text5->setText(QString());

    const auto text = [&](vordanel::Input input) { return entry(input).box->text().toStdString(); };
    const std::string diameter = text(vordanel::Input::Diameter), flow = text(vordanel::Input::Flow),
                      min = text(vordanel::Input::Min), max = text(vordanel::Input::Max);
    const std::string decimalPoint = QLocale().decimalPoint().toStdString();
    const vordanel::Calculation c = vordanel::calculate({diameter, flow, min, max}, decimalPoint);

    switch (c.outcome) {
    case vordanel::Calculation::Outcome::Incomplete:
        return;
    case vordanel::Calculation::Outcome::Converged:
        showNumber(ui->Text4, QString::fromStdString(vordanel::displayText(c.headMillimetres, decimalPoint)));
        showNumber(ui->Text5, QString::fromStdString(vordanel::displayText(c.search.trialCount)));
        if (c.aboveWeir) ui->Label8->setVisible(true);
        return;
    case vordanel::Calculation::Outcome::NoSolution:
        ui->Label9->setVisible(true);
        return;
    case vordanel::Calculation::Outcome::Fault:
        break;
    }

    const Entry* atFault = c.faultInput ? &entry(*c.faultInput) : nullptr;
    if (atFault)
        qCWarning(lcVordanel) << "calculation stopped:" << vordanel::describe(c.fault) << "in" << atFault->caption->text();
    else
        qCWarning(lcVordanel) << "calculation stopped:" << vordanel::describe(c.fault);
    const QString kind = QString::fromUtf8(vordanel::userMessage(c.fault));
    const QString message = atFault ? atFault->caption->text() + QStringLiteral(": ") + kind : kind;
    report({windowTitle(), message, atFault ? atFault->box : nullptr});
}

void VordanelWindow::Command2_Click()
{
    ui->Label8->setVisible(false);
    ui->Label9->setVisible(false);
    ui->Text1->setText(QString());
    ui->Text2->setText(QString());
    ui->Text3->setText(QString());
    ui->Text4->setText(QString());
    ui->Text5->setText(QString());
    ui->Text6->setText(QString());
}

void VordanelWindow::report(const FailureReport& failure)
{
    if (reporter_) {
        reporter_(failure);
    } else {
        // A dialog is a window of its own, which takes no palette from its parent: it gets the
        // light theme's colours itself.
        QMessageBox box(QMessageBox::Warning, failure.title, failure.message, QMessageBox::Ok, this);
        box.setPalette(lightPalette());
        box.exec();
    }
    if (failure.entry) failure.entry->setFocus();
}
