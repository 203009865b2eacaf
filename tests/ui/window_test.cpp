#include "vordanel_window.h"

#include "vordanel/version.h"

#include <QAccessible>
#include <QFontInfo>
#include <QFontMetrics>
#include <QImage>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QMap>
#include <QMessageBox>
#include <QTimer>
#include <QProcess>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>

#include <memory>
#include <vector>

class WindowTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<VordanelWindow> w;
    std::vector<FailureReport> reports;

    QLineEdit* box(const char* name) const { return w->findChild<QLineEdit*>(name); }
    QLabel* label(const char* name) const { return w->findChild<QLabel*>(name); }
    QPushButton* button(const char* name) const { return w->findChild<QPushButton*>(name); }

    void enter(const QString& diameter, const QString& flow, const QString& min, const QString& max)
    {
        const std::pair<QLineEdit*, QString> entries[] = {
            {box("Text6"), diameter}, {box("Text1"), flow}, {box("Text2"), min}, {box("Text3"), max}};
        for (const auto& [box, text] : entries) {
            box->clear();
            type(box, text);
        }
    }
    // ASCII comes as key clicks; anything else as an input method's commit, as a Japanese IME sends it.
    static void type(QWidget* box, const QString& text)
    {
        for (const QChar c : text) {
            if (c.unicode() < 0x80) {
                QTest::keyClick(box, c.toLatin1());
            } else {
                QInputMethodEvent commit;
                commit.setCommitString(QString(c));
                QApplication::sendEvent(box, &commit);
            }
        }
    }
    void calculate() { QTest::mouseClick(button("Command1"), Qt::LeftButton); }
    void clear() { QTest::mouseClick(button("Command2"), Qt::LeftButton); }
    bool shown(QWidget* widget) const { return widget->isVisibleTo(w.get()); }

private Q_SLOTS:
    void init()
    {
        QLocale::setDefault(QLocale::c());
        reports.clear();
        w = std::make_unique<VordanelWindow>();
        w->setFailureReporter([this](const FailureReport& r) { reports.push_back(r); });
        w->Form_Load();
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
    }
    void cleanup() { w.reset(); }

    void controlsAreLaidOutAsDesigned_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QRect>("twips");
        QTest::newRow("Text6") << "Text6" << "QLineEdit" << "" << QRect(1680, 480, 1215, 375);
        QTest::newRow("Text5") << "Text5" << "QLineEdit" << "" << QRect(3120, 4440, 375, 270);
        QTest::newRow("Text4") << "Text4" << "QLineEdit" << "" << QRect(1680, 3810, 1215, 375);
        QTest::newRow("Text3") << "Text3" << "QLineEdit" << "" << QRect(1680, 2280, 1215, 375);
        QTest::newRow("Command2") << "Command2" << "QPushButton" << "クリヤ" << QRect(2040, 3000, 1215, 495);
        QTest::newRow("Command1") << "Command1" << "QPushButton" << "計算" << QRect(360, 3000, 1215, 495);
        QTest::newRow("Text2") << "Text2" << "QLineEdit" << "" << QRect(1680, 1680, 1215, 375);
        QTest::newRow("Text1") << "Text1" << "QLineEdit" << "" << QRect(1680, 1080, 1215, 375);
        QTest::newRow("Label11") << "Label11" << "QLabel" << "※挟込み範囲によっては不正解出力あり" << QRect(360, 150, 3135, 255);
        QTest::newRow("Label10") << "Label10" << "QLabel" << "(スタウスの式)" << QRect(345, 4635, 1215, 255);
        QTest::newRow("Label9") << "Label9" << "QLabel" << "解がありません、挟み込み範囲を変更して下さい。" << QRect(450, 4920, 2775, 495);
        QTest::newRow("Label8") << "Label8" << "QLabel" << "流量過大のため堰の範囲を越えています。" << QRect(240, 5040, 3375, 375);
        QTest::newRow("Label7") << "Label7" << "QLabel" << "堰の径(mm)" << QRect(360, 600, 975, 255);
        QTest::newRow("Label6") << "Label6" << "QLabel" << "適用範囲不詳" << QRect(360, 4440, 1335, 375);
        QTest::newRow("Label1") << "Label1" << "QLabel" << "Trial回数" << QRect(2280, 4515, 855, 255);
        QTest::newRow("Label5") << "Label5" << "QLabel" << "越流高さ(mm) [底部から]" << QRect(360, 3840, 1335, 435);
        QTest::newRow("Label4") << "Label4" << "QLabel" << "挟込最大値(mm)" << QRect(360, 2340, 1095, 405);
        QTest::newRow("Label3") << "Label3" << "QLabel" << "解の挟込最小値(mm)" << QRect(360, 1725, 1095, 495);
        QTest::newRow("Label2") << "Label2" << "QLabel" << "流量(L/min)" << QRect(360, 1200, 975, 255);
    }
    void controlsAreLaidOutAsDesigned()
    {
        QFETCH(QString, name);
        QFETCH(QString, kind);
        QFETCH(QString, caption);
        QFETCH(QRect, twips);
        auto* control = w->findChild<QWidget*>(name);
        QVERIFY(control);
        QCOMPARE(control->metaObject()->className(), kind.toLatin1());
        QCOMPARE(control->geometry(), QRect(twips.x() / 15, twips.y() / 15, twips.width() / 15, twips.height() / 15));
        QCOMPARE(control->property("text").toString(), caption);
    }

    void windowStartsAsDesigned()
    {
        QCOMPARE(w->objectName(), QStringLiteral("VORDANEL"));
        QCOMPARE(w->windowTitle(), QStringLiteral("\u3000円形堰の越流高さ"));
        QCOMPARE(w->size(), QSize(240, 365));
        QCOMPARE(w->minimumSize(), w->maximumSize());
        QCOMPARE(w->findChildren<QWidget*>().size(), 19);
        QCOMPARE(w->palette().color(QPalette::Window), QColor(0xC0, 0xC0, 0xC0));
        QVERIFY(w->autoFillBackground());
        QVERIFY(!shown(label("Label8")));
        QVERIFY(!shown(label("Label9")));
        for (auto* box : w->findChildren<QLineEdit*>()) QVERIFY(box->text().isEmpty());
        QCOMPARE(QString::fromLatin1(VORDANEL_VERSION), QStringLiteral("1.00"));
        for (int size : {16, 256}) {
            const QImage icon = w->windowIcon().pixmap(size, size).toImage();
            QCOMPARE(icon.size(), QSize(size, size));
            QCOMPARE(icon.pixelColor(size / 2, size / 2).alpha(), 255);  // the opening, drawn
        }
    }

    void colours_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QColor>("text");
        const QColor standard = VordanelWindow::lightPalette().color(QPalette::WindowText);
        QTest::newRow("Label11 blue") << "Label11" << QColor(QRgb(0x0000FF));
        QTest::newRow("Label10 blue") << "Label10" << QColor(QRgb(0x0000FF));
        QTest::newRow("Label6 blue") << "Label6" << QColor(QRgb(0x0000FF));
        QTest::newRow("Label9 magenta") << "Label9" << QColor(QRgb(0xFF00FF));
        QTest::newRow("Label8 red") << "Label8" << QColor(QRgb(0xFF0000));
        for (const char* plain : {"Label1", "Label2", "Label3", "Label4", "Label5", "Label7"})
            QTest::newRow(plain) << plain << standard;
        QTest::newRow("Text4 black") << "Text4" << QColor(QRgb(0x000000));
        QTest::newRow("Text5 magenta") << "Text5" << QColor(QRgb(0xFF00FF));
    }
    void colours()
    {
        QFETCH(QString, name);
        QFETCH(QColor, text);
        auto* control = w->findChild<QWidget*>(name);
        QVERIFY(control);
        QCOMPARE(control->palette().color(control->foregroundRole()), text);
        if (qobject_cast<QLabel*>(control)) QCOMPARE(control->palette().color(QPalette::Window), QColor(QRgb(0xC0C0C0)));
    }

    void windowIsCentredOnTheScreen()
    {
        const QRect screen = w->screen()->geometry();
        const QPoint offset = w->frameGeometry().center() - screen.center();
        QVERIFY2(qAbs(offset.x()) <= 2 && qAbs(offset.y()) <= 2,
                 qPrintable(QStringLiteral("off centre by %1,%2").arg(offset.x()).arg(offset.y())));
    }

    void tabWalksTheDesignedKeyboardOrder()
    {
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(box("Text6")));
        const QWidget* const order[] = {box("Text1"), box("Text2"), button("Command1"), button("Command2"),
                                        box("Text3"), box("Text4"), box("Text5"), box("Text6")};
        for (const QWidget* expected : order) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget()->objectName(), expected->objectName());
        }
    }

    void entriesAreNamedForScreenReaders_data()
    {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("name");
        QTest::newRow("diameter") << "Text6" << "堰の径(mm)";
        QTest::newRow("flow") << "Text1" << "流量(L/min)";
        QTest::newRow("minimum") << "Text2" << "解の挟込最小値(mm)";
        QTest::newRow("maximum") << "Text3" << "挟込最大値(mm)";
        QTest::newRow("head") << "Text4" << "越流高さ(mm) [底部から]";
        QTest::newRow("trials") << "Text5" << "Trial回数";
    }
    void entriesAreNamedForScreenReaders()
    {
        QFETCH(QString, box);
        QFETCH(QString, name);
        QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(w->findChild<QLineEdit*>(box));
        QVERIFY(iface);
        QCOMPARE(iface->text(QAccessible::Name), name);
    }

    void captionsFitTheirLabels()
    {
        if (QFontInfo(label("Label7")->font()).family() != QStringLiteral("IPAPGothic"))
            QSKIP("IPA P Gothic (fonts-ipafont-gothic) is not installed");
        QCOMPARE(QFontInfo(label("Label11")->font()).pointSizeF(), 8.25);
        for (auto* label : w->findChildren<QLabel*>()) {
            const QFontMetrics fm(label->font());
            const QRect needed = fm.boundingRect(label->contentsRect(), Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignTop, label->text());
            QVERIFY2(label->contentsRect().contains(needed),
                     qPrintable(label->objectName() + QStringLiteral(" needs %1x%2").arg(needed.width()).arg(needed.height())));
            QVERIFY2(label->heightForWidth(label->width()) <= label->height(), qPrintable(label->objectName()));
        }
    }

    // One row per kind of outcome the window shows (the worked runs themselves are the core's):
    // a head and its trials, a head above the weir, no head, an entry left empty, and entries typed
    // as an input method types them.
    void calculateShowsHeadTrialsAndMessage_data()
    {
        QTest::addColumn<QString>("diameter");
        QTest::addColumn<QString>("flow");
        QTest::addColumn<QString>("min");
        QTest::addColumn<QString>("max");
        QTest::addColumn<QString>("head");
        QTest::addColumn<QString>("trials");
        QTest::addColumn<bool>("aboveWeir");
        QTest::addColumn<bool>("noSolution");
        QTest::newRow("100 40 1..99") << "100" << "40" << "1" << "99" << "47.1" << "12" << false << false;
        QTest::newRow("above the weir") << "50" << "60" << "1" << "70" << "57.26" << "10" << true << false;
        QTest::newRow("no sign change") << "100" << "40" << "60" << "99" << "" << "" << false << true;
        QTest::newRow("empty minimum") << "100" << "40" << "" << "99" << "" << "" << false << false;
        QTest::newRow("full-width digits") << "１００" << "４０" << "１" << "９９" << "47.1" << "12" << false << false;
    }
    void calculateShowsHeadTrialsAndMessage()
    {
        QFETCH(QString, diameter);
        QFETCH(QString, flow);
        QFETCH(QString, min);
        QFETCH(QString, max);
        QFETCH(QString, head);
        QFETCH(QString, trials);
        QFETCH(bool, aboveWeir);
        QFETCH(bool, noSolution);
        enter(diameter, flow, min, max);
        calculate();
        QCOMPARE(box("Text4")->text(), head);
        QCOMPARE(box("Text5")->text(), trials);
        QCOMPARE(shown(label("Label8")), aboveWeir);
        QCOMPARE(shown(label("Label9")), noSolution);
        QVERIFY(reports.empty());
        QCOMPARE(box("Text6")->text(), diameter);
    }

    void eachPressHidesTheLastMessage()
    {
        enter("100", "40", "60", "99");
        calculate();
        QVERIFY(shown(label("Label9")));
        enter("50", "60", "1", "70");
        calculate();
        QVERIFY(!shown(label("Label9")));
        QVERIFY(shown(label("Label8")));
        QCOMPARE(box("Text4")->text(), QStringLiteral("57.26"));
        enter("100", "143", "1", "100");
        calculate();
        QVERIFY(!shown(label("Label8")));
        QVERIFY(shown(label("Label9")));
        QVERIFY(box("Text4")->text().isEmpty());
        QVERIFY(box("Text5")->text().isEmpty());
    }

    void clearEmptiesEveryBoxAndHidesTheMessages()
    {
        clear();
        for (auto* box : w->findChildren<QLineEdit*>()) QVERIFY(box->text().isEmpty());
        enter("50", "60", "1", "70");
        calculate();
        QVERIFY(shown(label("Label8")));
        clear();
        for (auto* box : w->findChildren<QLineEdit*>()) QVERIFY(box->text().isEmpty());
        QVERIFY(!shown(label("Label8")));
        QVERIFY(!shown(label("Label9")));
        calculate();
        QVERIFY(box("Text4")->text().isEmpty());
        QVERIFY(!shown(label("Label9")));
        QVERIFY(reports.empty());
    }

    void failuresAreReportedAndTheWindowGoesOn_data()
    {
        QTest::addColumn<QString>("diameter");
        QTest::addColumn<QString>("flow");
        QTest::addColumn<QString>("min");
        QTest::addColumn<QString>("max");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("entry");
        QTest::newRow("letters for a diameter") << "abc" << "40" << "1" << "99" << "堰の径(mm): 数値ではありません。" << "Text6";
        QTest::newRow("blanks for a flow") << "100" << "  " << "1" << "99" << "流量(L/min): 数値ではありません。" << "Text1";
        QTest::newRow("nan as maximum") << "100" << "40" << "1" << "nan" << "挟込最大値(mm): 数値ではありません。" << "Text3";
        QTest::newRow("1e400 as flow") << "100" << "1e400" << "1" << "99" << "流量(L/min): 値が大きすぎるか小さすぎて、計算できる範囲を超えています。" << "Text1";
        QTest::newRow("zero diameter") << "0" << "40" << "1" << "99" << "堰の径(mm): ゼロによる除算です。0 より大きい値を入力して下さい。" << "Text6";
        QTest::newRow("zero minimum") << "100" << "40" << "0" << "99" << "解の挟込最小値(mm): ゼロによる除算です。0 より大きい値を入力して下さい。" << "Text2";
        QTest::newRow("negative diameter") << "-100" << "40" << "1" << "99" << "堰の径(mm): 不正な引数です（負の値）。0 より大きい値を入力して下さい。" << "Text6";
        QTest::newRow("negative maximum") << "100" << "40" << "1" << "-99" << "挟込最大値(mm): 不正な引数です（負の値）。0 より大きい値を入力して下さい。" << "Text3";
        QTest::newRow("huge maximum") << "100" << "40" << "1" << "1e300" << "挟込最大値(mm): 値が大きすぎるか小さすぎて、計算できる範囲を超えています。" << "Text3";
        QTest::newRow("huge diameter") << "1e300" << "40" << "1" << "99" << "堰の径(mm): 値が大きすぎるか小さすぎて、計算できる範囲を超えています。" << "Text6";
        QTest::newRow("tiny diameter") << "1e-320" << "40" << "1" << "99" << "堰の径(mm): 値が大きすぎるか小さすぎて、計算できる範囲を超えています。" << "Text6";
    }
    void failuresAreReportedAndTheWindowGoesOn()
    {
        QFETCH(QString, diameter);
        QFETCH(QString, flow);
        QFETCH(QString, min);
        QFETCH(QString, max);
        QFETCH(QString, message);
        QFETCH(QString, entry);
        enter("100", "143", "1", "100");
        calculate();
        QVERIFY(shown(label("Label9")));

        enter(diameter, flow, min, max);
        calculate();
        QCOMPARE(reports.size(), std::size_t{1});
        QCOMPARE(reports[0].message, message);
        QCOMPARE(reports[0].title, w->windowTitle());
        QCOMPARE(QApplication::focusWidget()->objectName(), entry);
        QVERIFY(!shown(label("Label8")));
        QVERIFY(!shown(label("Label9")));
        QVERIFY(box("Text4")->text().isEmpty());
        QVERIFY(box("Text5")->text().isEmpty());
        QCOMPARE(box("Text6")->text(), diameter);
        QCOMPARE(box("Text1")->text(), flow);
        QCOMPARE(box("Text2")->text(), min);
        QCOMPARE(box("Text3")->text(), max);

        enter("100", "40", "1", "99");
        calculate();
        QCOMPARE(box("Text4")->text(), QStringLiteral("47.1"));
        QCOMPARE(box("Text5")->text(), QStringLiteral("12"));
        QCOMPARE(reports.size(), std::size_t{1});
    }

    void longNumbersShowTheirLeadingDigits()
    {
        enter("1e10", "1e14", "1", "1e10");
        calculate();
        QCOMPARE(box("Text4")->text(), QStringLiteral("7921394581.05"));
        for (auto* shown : {box("Text4"), box("Text5")}) QCOMPARE(shown->cursorPosition(), 0);
    }

    // Under a dark desktop theme every control, and the failure dialog, keeps the colours it has
    // under the light one.
    void darkThemeDoesNotReachTheWindow()
    {
        const auto coloursOf = [](QWidget* top) {
            QMap<QString, QPalette> colours{{top->objectName(), top->palette()}};
            for (auto* child : top->findChildren<QWidget*>()) colours.insert(child->objectName(), child->palette());
            return colours;
        };
        const auto dialogColours = [&](VordanelWindow& window) {
            QMap<QString, QPalette> seen;
            QTimer::singleShot(0, [&] {
                auto* dialog = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
                if (!dialog) return;
                seen = coloursOf(dialog);
                dialog->accept();
            });
            window.findChild<QLineEdit*>("Text6")->setText("abc");
            for (const char* name : {"Text1", "Text2", "Text3"}) window.findChild<QLineEdit*>(name)->setText("1");
            QTest::mouseClick(window.findChild<QPushButton*>("Command1"), Qt::LeftButton);
            return seen;
        };
        const auto rolesDiffer = [](const QPalette& a, const QPalette& b) {
            for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
                for (int role = 0; role < QPalette::NColorRoles; ++role)
                    if (a.color(group, QPalette::ColorRole(role)) != b.color(group, QPalette::ColorRole(role))) return role;
            return -1;
        };

        const QPalette original = QApplication::palette();
        QApplication::setPalette(VordanelWindow::lightPalette());
        VordanelWindow lightWindow;
        const auto light = coloursOf(&lightWindow);
        const auto lightDialog = dialogColours(lightWindow);

        QPalette dark(QColor(0xF0, 0xF0, 0xF0), QColor(0x32, 0x32, 0x32));
        dark.setColor(QPalette::Base, QColor(0x21, 0x21, 0x21));
        dark.setColor(QPalette::Text, QColor(0xF0, 0xF0, 0xF0));
        QApplication::setPalette(dark);
        VordanelWindow darkWindow;
        const auto underDark = coloursOf(&darkWindow);
        const auto darkDialog = dialogColours(darkWindow);
        QApplication::setPalette(original);

        QCOMPARE(underDark.keys(), light.keys());
        for (const auto& name : light.keys())
            QVERIFY2(rolesDiffer(light[name], underDark[name]) < 0,
                     qPrintable(name + QStringLiteral(": role %1 differs").arg(rolesDiffer(light[name], underDark[name]))));
        QVERIFY(!lightDialog.isEmpty());
        QCOMPARE(darkDialog.keys(), lightDialog.keys());
        for (const auto& name : lightDialog.keys())
            QVERIFY2(rolesDiffer(lightDialog[name], darkDialog[name]) < 0, qPrintable(QStringLiteral("dialog ") + name));
    }

    void numbersFollowTheLocaleBothWays_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("diameter");
        QTest::addColumn<QString>("head");
        QTest::addColumn<QString>("foreignDiameter");
        // A head above 1000 mm, where a locale would group digits: 2000 / 10000 / 1 / 2000 gives
        // 1698.08 mm (worked apart from this program, in Python's doubles: the formula's steps and
        // the same bisection, 19 passes).
        QTest::addColumn<QString>("longHead");
        QTest::newRow("C") << QLocale::c() << "200.0" << "88.12" << "200,0" << "1698.08";
        QTest::newRow("ja_JP") << QLocale(QLocale::Japanese, QLocale::Japan) << "200.0" << "88.12" << "200,0" << "1698.08";
        QTest::newRow("de_DE") << QLocale(QLocale::German, QLocale::Germany) << "200,0" << "88,12" << "200.0" << "1698,08";
    }
    void numbersFollowTheLocaleBothWays()
    {
        QFETCH(QLocale, locale);
        QFETCH(QString, diameter);
        QFETCH(QString, head);
        QFETCH(QString, foreignDiameter);
        QFETCH(QString, longHead);
        QLocale::setDefault(locale);
        enter(diameter, "100", "10", "150");
        calculate();
        QCOMPARE(box("Text4")->text(), head);
        QCOMPARE(box("Text5")->text(), QStringLiteral("13"));
        enter("2000", "10000", "1", "2000");
        calculate();
        QCOMPARE(box("Text4")->text(), longHead);  // no group separator
        enter(foreignDiameter, "100", "10", "150");
        calculate();
        QCOMPARE(reports.size(), std::size_t{1});
        QCOMPARE(reports[0].entry, box("Text6"));
    }

    void companionShowsTheSameTexts_data()
    {
        QTest::addColumn<QStringList>("entries");
        QTest::newRow("worked row") << QStringList{"100", "40", "1", "99"};
        QTest::newRow("above the weir") << QStringList{"50", "60", "1", "70"};
        QTest::newRow("decimals") << QStringList{"123.4", "56.78", "0.5", "200.25"};
        QTest::newRow("small weir") << QStringList{"12.5", "0.3", "0.01", "25"};
        QTest::newRow("large weir") << QStringList{"1500", "25000", "1", "3000"};
        QTest::newRow("no solution") << QStringList{"100", "40", "60", "99"};
        QTest::newRow("huge weir") << QStringList{"1e10", "1e14", "1", "1e10"};
    }
    void companionShowsTheSameTexts()
    {
        QFETCH(QStringList, entries);
        enter(entries[0], entries[1], entries[2], entries[3]);
        calculate();

        QProcess cli;
        cli.start(QStringLiteral(VORDANEL_CLI), {"head", "--json", "-d", entries[0], "-q", entries[1], "--min", entries[2], "--max", entries[3]});
        QVERIFY(cli.waitForFinished(10000));
        const QJsonObject answer = QJsonDocument::fromJson(cli.readAllStandardOutput()).object();
        if (answer.value("outcome").toString() == "converged") {
            QCOMPARE(box("Text4")->text(), answer.value("head_mm").toString());
            QCOMPARE(box("Text5")->text(), QString::number(answer.value("trials").toInt()));
            QCOMPARE(shown(label("Label8")), answer.value("above_weir").toBool());
        } else {
            QCOMPARE(answer.value("outcome").toString(), QStringLiteral("no_solution"));
            QVERIFY(shown(label("Label9")));
            QVERIFY(box("Text4")->text().isEmpty());
        }
    }
};

QTEST_MAIN(WindowTest)
#include "window_test.moc"
