#include "app/qt/form1.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QUrl>
#include <algorithm>
#include <vector>

#include "app/layout.h"
#include "app/qt/message_box_notifier.h"
#include "platform/program_folder.h"
#include "session/wait.h"

namespace {

QString ToQString(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

int Pixels(int twips) {
    return twips / app::kTwipsPerPixel;
}

Qt::Alignment ToQt(app::Alignment alignment) {
    switch (alignment) {
        case app::Alignment::Centre:
            return Qt::AlignHCenter | Qt::AlignVCenter;
        case app::Alignment::Right:
            return Qt::AlignRight | Qt::AlignVCenter;
        case app::Alignment::Left:
            break;
    }
    return Qt::AlignLeft | Qt::AlignVCenter;
}

}  // namespace

Form1::Form1(app::Notifier* notifier, std::filesystem::path outputFolder, QWidget* parent)
    : QWidget(parent),
      ownNotifier_(notifier ? nullptr : std::make_unique<MessageBoxNotifier>(this)),
      runner_(*this, notifier ? *notifier : *ownNotifier_,
              outputFolder.empty() ? platform::OutputFolder() : std::move(outputFolder)) {
    setObjectName("Form1");
    setWindowTitle(ToQString(app::kWindowCaption));
    const int clientWidth = Pixels(app::kClientWidthTwips);
    const int clientHeight = Pixels(app::kClientHeightTwips);
    setFixedSize(clientWidth, clientHeight + kStatusLineHeight);
    // The layout's twips were measured against a 9-point Japanese UI font: 12 pixels.
    QFont uiFont = font();
    uiFont.setPixelSize(12);
    setFont(uiFont);
    BuildControls();
    BuildStatusLine();
    InstallEventStep();
}

Form1::~Form1() {
    lb::RestoreDefaultWaitSeams();
}

void Form1::BuildControls() {
    std::vector<std::pair<int, QWidget*>> tabOrder;
    for (const auto& layout : app::WindowLayout()) {
        QWidget* container = layout.container.empty() ? this : Control(layout.container);
        const QString text = ToQString(layout.text);
        QWidget* widget = nullptr;
        switch (layout.kind) {
            case app::ControlKind::Frame:
                widget = new QGroupBox(text, container);
                break;
            case app::ControlKind::Label: {
                auto* label = new QLabel(container);
                // Replies and typed settings are shown as they are: markup is not rendered.
                label->setTextFormat(Qt::PlainText);
                label->setText(text);
                label->setAlignment(ToQt(layout.alignment));
                if (layout.border) label->setFrameStyle(QFrame::Box | QFrame::Plain);
                widget = label;
                break;
            }
            case app::ControlKind::TextBox:
                widget = new QLineEdit(text, container);
                break;
            case app::ControlKind::OptionButton: {
                // Buttons of one frame form one group: Qt makes siblings exclusive.
                auto* button = new QRadioButton(text, container);
                button->setChecked(layout.selected);
                widget = button;
                break;
            }
            case app::ControlKind::CommandButton: {
                auto* button = new QPushButton(text, container);
                const auto name = layout.name;
                const auto kind = name == "run0"   ? app::OperationKind::InstantaneousReadout
                                  : name == "run1" ? app::OperationKind::MassMemoryDownload
                                  : name == "run2" ? app::OperationKind::SecondaryProcessingDownload
                                                   : app::OperationKind::MassMemoryErase;
                connect(button, &QPushButton::clicked, this, [this, kind] { RunOperation(kind); });
                widget = button;
                break;
            }
        }
        widget->setObjectName(ToQString(layout.name));
        widget->setGeometry(Pixels(layout.left), Pixels(layout.top), Pixels(layout.width),
                            Pixels(layout.height));
        controls_.emplace(std::string(layout.name), widget);
        if (layout.kind != app::ControlKind::Label && layout.kind != app::ControlKind::Frame) {
            tabOrder.emplace_back(layout.tabIndex, widget);
        } else {
            widget->setFocusPolicy(Qt::NoFocus);
        }
    }
    std::sort(tabOrder.begin(), tabOrder.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    for (size_t i = 1; i < tabOrder.size(); ++i) {
        setTabOrder(tabOrder[i - 1].second, tabOrder[i].second);
    }
}

void Form1::BuildStatusLine() {
    const int top = Pixels(app::kClientHeightTwips);
    const int width = Pixels(app::kClientWidthTwips);
    progress_ = new QProgressBar(this);
    progress_->setObjectName("progress");
    progress_->setGeometry(4, top + 3, 160, kStatusLineHeight - 6);
    progress_->setTextVisible(true);
    progress_->setFormat("%v / %m");
    progress_->hide();
    status_ = new QLabel(this);
    status_->setTextFormat(Qt::PlainText);
    status_->setObjectName("status");
    status_->setGeometry(170, top, width - 174, 22);
    status_->setFocusPolicy(Qt::NoFocus);
    // The folder as a link that opens it; the path is elided in the middle to fit.
    folder_ = new QLabel(this);
    folder_->setObjectName("folder");
    folder_->setTextFormat(Qt::RichText);
    folder_->setGeometry(4, top + 21, width - 8, 20);
    folder_->setTextInteractionFlags(Qt::LinksAccessibleByMouse);
    folder_->setFocusPolicy(Qt::NoFocus);  // the tab order is the layout's
    QObject::connect(folder_, &QLabel::linkActivated,
                     [](const QString& link) { QDesktopServices::openUrl(QUrl(link)); });
}

// Pending events are handled, then the thread sleeps until the next event or the end of the
// pause, whichever comes first: the window stays live without keeping a processor busy.
void Form1::InstallEventStep() {
    lb::SetEventStep([this](std::uint32_t remainingMs) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        if (stopRequested_) return false;
        if (remainingMs > 0) {
            QTimer deadline;
            deadline.setTimerType(Qt::PreciseTimer);
            deadline.setSingleShot(true);
            deadline.start(static_cast<int>(std::min<std::uint32_t>(remainingMs, INT32_MAX)));
            QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
        }
        return !stopRequested_;
    });
}

QWidget* Form1::Control(std::string_view name) const {
    const auto found = controls_.find(name);
    return found == controls_.end() ? nullptr : found->second;
}

std::string Form1::Text(std::string_view textBox) const {
    const auto* edit = static_cast<const QLineEdit*>(Control(textBox));
    return edit->text().toStdString();
}

bool Form1::Selected(std::string_view optionButton) const {
    return static_cast<const QRadioButton*>(Control(optionButton))->isChecked();
}

void Form1::SetCaption(std::string_view label, const std::string& caption) {
    static_cast<QLabel*>(Control(label))->setText(QString::fromStdString(caption));
}

void Form1::ShowProgress(int done, int total) {
    if (total <= 0) {
        progress_->hide();
        return;
    }
    progress_->setRange(0, total);
    progress_->setValue(done);
    progress_->show();
}

void Form1::ShowStatus(const app::Status& status) {
    const QString summary = QString::fromStdString(status.summary);
    // The summaries are written to fit; a longer one is elided rather than cut at the edge.
    status_->setText(status_->fontMetrics().elidedText(summary, Qt::ElideRight, status_->width()));
    status_->setToolTip(status.details.empty()
                            ? QString()
                            : summary + "\n" + QString::fromStdString(status.details));
    if (status.folderLine.empty()) return;  // the latest download's folder stays shown
    const QString line = folder_->fontMetrics().elidedText(
        QString::fromStdString(status.folderLine), Qt::ElideMiddle, folder_->width());
    const QUrl url = QUrl::fromLocalFile(QString::fromStdU16String(status.folder.u16string()));
    folder_->setText("<a href=\"" + url.toString(QUrl::FullyEncoded).toHtmlEscaped() + "\">" +
                     line.toHtmlEscaped() + "</a>");
    folder_->setToolTip(QString::fromStdString(status.folderLine));
}

void Form1::RunOperation(app::OperationKind kind) {
    runner_.Run(kind);
    // A close asked for during the operation happens now that it has ended.
    if (stopRequested_ && !runner_.running()) close();
}

void Form1::closeEvent(QCloseEvent* event) {
    if (runner_.running()) {
        // The operation stops at its next pause, closes the session and its file; then the
        // window closes.
        stopRequested_ = true;
        event->ignore();
        return;
    }
    event->accept();
}

void Form1::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!focusPlaced_) {
        focusPlaced_ = true;
        Control("run1")->setFocus();
    }
}
