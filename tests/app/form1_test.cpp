// The Qt window off screen: its layout, and each button, refusal and close as a user meets them.
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QtTest>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/csv_file.h"
#include "app/layout.h"
#include "app/outcome.h"
#include "app/qt/form1.h"
#include "app/qt/message_box_notifier.h"
#include "session/session_state.h"
#include "tests/app/fake_window.h"
#include "tests/support/standin_control.h"

namespace fs = std::filesystem;

class Form1Test : public QObject {
    Q_OBJECT

  private:
    testing_support::StandIn standIn{"gplib2K.dll"};
    testing_support::RecordingNotifier notifier;
    fs::path folder;
    std::unique_ptr<Form1> form;

    QWidget* Control(const char* name) { return form->Control(name); }
    QPushButton* Button(const char* name) { return static_cast<QPushButton*>(Control(name)); }
    QLineEdit* Edit(const char* name) { return static_cast<QLineEdit*>(Control(name)); }
    QString Caption(const char* name) { return static_cast<QLabel*>(Control(name))->text(); }
    QString Status() { return form->findChild<QLabel*>("status")->text(); }

    std::string FileBytes(const char8_t* name) {
        std::ifstream file(folder / name, std::ios::binary);
        std::ostringstream bytes;
        bytes << file.rdbuf();
        return bytes.str();
    }
    int Lines(const char8_t* name) {
        const std::string bytes = FileBytes(name);
        return static_cast<int>(std::count(bytes.begin(), bytes.end(), '\n'));
    }
    bool SessionClosedLast() {
        const auto names = standIn.CallNames();
        return !names.empty() && names.back() == "gp_lcl" && !lb::sessionState.cardOpen;
    }

  private slots:
    void init() {
        standIn.Reset();
        lb::sessionState = lb::SessionState{};
        notifier.messages.clear();
        folder = fs::temp_directory_path() / "tq58-form1-test";
        fs::remove_all(folder);
        fs::create_directories(folder);
        form = std::make_unique<Form1>(&notifier, folder);
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    }

    void cleanup() {
        form.reset();
        fs::remove_all(folder);
    }

    void startsWithTheDefaults() {
        QCOMPARE(form->windowTitle(), QString::fromUtf8("TQ58→PC(GPIB)"));
        QCOMPARE(Edit("GPIBadress")->text(), QString("5"));
        QCOMPARE(Edit("wait")->text(), QString("20"));
        QCOMPARE(Edit("ad1")->text(), QString("1"));
        QCOMPARE(Edit("ad2")->text(), QString("100"));
        QVERIFY(static_cast<QRadioButton*>(Control("oct3"))->isChecked());
        QVERIFY(!static_cast<QRadioButton*>(Control("oct1"))->isChecked());
        QVERIFY(static_cast<QRadioButton*>(Control("F"))->isChecked());
        for (auto display : app::control::kDisplays) {
            auto* label =
                form->findChild<QLabel*>(QString::fromUtf8(display.data(), display.size()));
            QVERIFY2(label, display.data());
            QVERIFY(label->text().isEmpty());
            QCOMPARE(label->frameShape(), QFrame::Box);
        }
        QCOMPARE(QApplication::focusWidget(), Control("run1"));
    }

    void everyControlHasItsNameCaptionAndPlace() {
        for (const auto& layout : app::WindowLayout()) {
            const QString name = QString::fromUtf8(layout.name.data(), layout.name.size());
            QWidget* widget = form->findChild<QWidget*>(name);
            QVERIFY2(widget, qPrintable(name));
            QCOMPARE(widget->geometry(), QRect(layout.left / 15, layout.top / 15, layout.width / 15,
                                               layout.height / 15));
            const QString parent = widget->parentWidget()->objectName();
            QCOMPARE(parent, layout.container.empty() ? QString("Form1")
                                                      : QString::fromUtf8(layout.container.data(),
                                                                          layout.container.size()));
        }
        QCOMPARE(Button("run2")->text(), QString::fromUtf8("2次演算モード"));
        QCOMPARE(static_cast<QGroupBox*>(Control("Frame6"))->title(),
                 QString::fromUtf8("重み付け補正"));
        QCOMPARE(static_cast<QLabel*>(Control("範囲"))->alignment() & Qt::AlignHorizontal_Mask,
                 Qt::AlignHCenter);
        QCOMPARE(
            static_cast<QLabel*>(Control("マスデータ"))->alignment() & Qt::AlignHorizontal_Mask,
            Qt::AlignLeft);
        QCOMPARE(form->size(), QSize(615, 319 + Form1::kStatusLineHeight));
        QCOMPARE(form->minimumSize(), form->maximumSize());
    }

    void tabFollowsTheTabIndexes() {
        // run1 (0), GPIBadress (2), run3 (4), ad1 (6), ad2 (7), run2 (19), run0 (20), wait (21)
        const char* expected[] = {"run1", "GPIBadress", "run3", "ad1", "ad2",
                                  "run2", "run0",       "wait", "oct1"};
        QWidget* widget = Control("run1");
        for (size_t i = 1; i < std::size(expected); ++i) {
            widget = widget->nextInFocusChain();
            while (widget->focusPolicy() == Qt::NoFocus) widget = widget->nextInFocusChain();
            QCOMPARE(widget->objectName(), QString(expected[i]));
        }
    }

    void theOptionGroupsAreIndependent() {
        static_cast<QRadioButton*>(Control("Lcom"))->click();
        static_cast<QRadioButton*>(Control("oct1"))->click();
        QVERIFY(static_cast<QRadioButton*>(Control("Lcom"))->isChecked());
        QVERIFY(!static_cast<QRadioButton*>(Control("F"))->isChecked());
        QVERIFY(static_cast<QRadioButton*>(Control("oct1"))->isChecked());
        QVERIFY(!static_cast<QRadioButton*>(Control("oct3"))->isChecked());
    }

    void run0ShowsTheAnalyzersSettings() {
        QTest::mouseClick(Button("run0"), Qt::LeftButton);
        QCOMPARE(Caption("時定数"), QString("0.125s"));
        QCOMPARE(Caption("範囲"), QString::fromUtf8("6.3～5KHz"));
        QCOMPARE(Caption("octoct"), QString("1/3oct"));
        QCOMPARE(Caption("補正"), QString("F"));
        QCOMPARE(Caption("マスデータ"), QString("+065.0,+061.2,+063.4"));
        QCOMPARE(Status(), QString::fromUtf8("瞬時値取込: 完了"));
        QVERIFY(SessionClosedLast());
    }

    // Markup in a reply or in a typed setting is shown as it is, never rendered.
    void repliesAndTypedTextShowAsPlainText() {
        const QString markup("<b>12</b>");
        standIn.SetReply("DOD?", "<b>12</b>\r\n");
        QTest::mouseClick(Button("run0"), Qt::LeftButton);
        auto* data = static_cast<QLabel*>(Control("マスデータ"));
        QCOMPARE(data->text(), markup);
        QVERIFY2(data->sizeHint().width() >= data->fontMetrics().horizontalAdvance(markup),
                 "the tags take their room as characters");
        for (auto display : app::control::kDisplays) {
            auto* label =
                form->findChild<QLabel*>(QString::fromUtf8(display.data(), display.size()));
            QCOMPARE(label->textFormat(), Qt::PlainText);
        }
        QCOMPARE(form->findChild<QLabel*>("status")->textFormat(), Qt::PlainText);

        // A refusal quotes the typed text in a message box.
        Qt::TextFormat boxFormat = Qt::AutoText;
        QString boxText;
        QTimer poll;
        connect(&poll, &QTimer::timeout, this, [&] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                poll.stop();
                boxFormat = box->textFormat();
                boxText = box->text();
                box->accept();
            }
        });
        poll.start(10);
        MessageBoxNotifier(form.get()).Tell("「<i>wait</i>」");
        QCOMPARE(boxText, QString::fromUtf8("「<i>wait</i>」"));
        QCOMPARE(boxFormat, Qt::PlainText);
    }

    void run1DownloadsTheRangeIntoTheFile() {
        Edit("wait")->setText("0");
        Edit("ad2")->setText("3");
        static_cast<QRadioButton*>(Control("Lvz"))->click();
        QTest::mouseClick(Button("run1"), Qt::LeftButton);
        const std::string expected = "0001,1/3oct,Lv-z," + standIn.Record(1) + "\r\n" +
                                     "0002,1/3oct,Lv-z," + standIn.Record(2) + "\r\n" +
                                     "0003,1/3oct,Lv-z," + standIn.Record(3) + "\r\n";
        QCOMPARE(FileBytes(app::kMassMemoryFileName), expected);
        QCOMPARE(Caption("アドレス"), QString("0003"));
        QVERIFY(!form->findChild<QWidget*>("progress")->isVisible());
    }

    void run2DownloadsTheStatistics() {
        Edit("wait")->setText("0");
        QTest::mouseClick(Button("run2"), Qt::LeftButton);
        QCOMPARE(Lines(app::kSecondaryProcessingFileName), 2);
        QVERIFY(FileBytes(app::kSecondaryProcessingFileName)
                    .rfind("L5,L10,L50,L90,L95,Leq,Ave\r\n", 0) == 0);
    }

    void run3ErasesTheRange() {
        Edit("ad1")->setText("10");
        Edit("ad2")->setText("12");
        QTest::mouseClick(Button("run3"), Qt::LeftButton);
        QCOMPARE(standIn.Record(10), std::string("----.-,----.-,----.-"));
        QVERIFY(standIn.Record(13) != "----.-,----.-,----.-");
    }

    void aSecondClickWhileAnOperationRunsIsRefused() {
        Edit("ad2")->setText("5");
        QTimer::singleShot(50, this, [this] { Button("run3")->click(); });
        QTimer::singleShot(60, this, [this] { Button("run1")->click(); });
        QTest::mouseClick(Button("run1"), Qt::LeftButton);
        QCOMPARE(Lines(app::kMassMemoryFileName), 5);
        QCOMPARE(standIn.Calls("gp_cardinfo").size(), size_t{1});
        for (const auto& call : standIn.Calls("gp_tfrout")) {
            QVERIFY2(call.find("[43 4C 52") == std::string::npos, "CLR0 must not be sent");
        }
        QCOMPARE(Status(), QString::fromUtf8("マスメモリデータ取込: 完了"));
        auto* folderLine = form->findChild<QLabel*>("folder");
        QVERIFY(folderLine->text().contains(QString::fromStdString(folder.string())));
        QVERIFY2(folderLine->text().contains("href=\"file://"), "a link that opens the folder");
    }

    // Every outcome's sentence fits the status line at the window's width, with the longest
    // operation name and counts; the details are in the tooltip.
    void everyStatusSentenceFitsTheWindow() {
        auto* status = form->findChild<QLabel*>("status");
        const std::string name = app::OperationName(app::OperationKind::MassMemoryDownload);
        app::Tally many;
        for (int i = 0; i < 99999; ++i) many.Note(13000);
        std::vector<std::string> words(app::StatusWords().begin(), app::StatusWords().end());
        words.push_back(many.Word());
        for (const auto& word : words) {
            const QString sentence = QString::fromStdString(app::StatusText(name, word));
            QVERIFY2(status->fontMetrics().horizontalAdvance(sentence) <= status->width(),
                     qPrintable(sentence));
        }
        standIn.FailCall("gp_init", 1, 4);
        QTest::mouseClick(Button("run0"), Qt::LeftButton);
        QCOMPARE(Status(), QString::fromUtf8("瞬時値取込: 中止（ボードを開けません）"));
        QVERIFY(status->toolTip().contains(
            QString::fromStdString(app::BoardNotOpenedHint("gplib2K.dll"))));
        QCOMPARE(notifier.messages.size(), size_t{1});
    }

    void closingDuringADownloadStopsItKeepsTheLinesAndClosesTheSession() {
        // 20 ms pauses, three a record: the close arrives during the first few records.
        QTimer::singleShot(250, this, [this] { form->close(); });
        QTest::mouseClick(Button("run1"), Qt::LeftButton);
        QVERIFY(!form->isVisible());
        const int lines = Lines(app::kMassMemoryFileName);
        QVERIFY2(lines >= 1 && lines < 100, qPrintable(QString::number(lines)));
        QCOMPARE(FileBytes(app::kMassMemoryFileName).substr(0, 5), std::string("0001,"));
        QVERIFY(SessionClosedLast());
        QVERIFY(notifier.messages.empty());
    }

    void eachRefusalSaysWhy() {
        Edit("GPIBadress")->setText("40000");
        QTest::mouseClick(Button("run0"), Qt::LeftButton);
        Edit("GPIBadress")->setText("5");
        Edit("wait")->setText("1e10");
        QTest::mouseClick(Button("run1"), Qt::LeftButton);
        Edit("wait")->setText("0");
        Edit("ad1")->setText("-40000");
        QTest::mouseClick(Button("run2"), Qt::LeftButton);
        Edit("ad1")->setText("1");
        Edit("ad2")->setText("70000");
        QTest::mouseClick(Button("run3"), Qt::LeftButton);
        QCOMPARE(notifier.messages.size(), size_t{4});
        QVERIFY(notifier.messages[0].find("「GPIBadress」") != std::string::npos);
        QVERIFY(notifier.messages[1].find("「wait」") != std::string::npos);
        QVERIFY(notifier.messages[2].find("「ad1」") != std::string::npos);
        QVERIFY(notifier.messages[3].find("「ad2」") != std::string::npos);
        QVERIFY(standIn.Log().empty());
        QVERIFY(!fs::exists(folder / app::kMassMemoryFileName));

        // A folder that cannot take the file: a file stands where it would be made.
        Edit("ad2")->setText("1");
        fs::remove_all(folder);
        std::ofstream(folder) << "x";
        QTest::mouseClick(Button("run1"), Qt::LeftButton);
        QCOMPARE(notifier.messages.size(), size_t{5});
        QVERIFY2(notifier.messages[4].find("TQ58メモリーデータ_取込中.csv") != std::string::npos,
                 "the file that could not be created is named");
        QVERIFY(standIn.Log().empty());
    }
};

QTEST_MAIN(Form1Test)
#include "form1_test.moc"
