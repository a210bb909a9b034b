#include "app/qt/message_box_notifier.h"

#include <QMessageBox>

#include "app/layout.h"

void MessageBoxNotifier::Tell(const std::string& message) {
    QMessageBox box(
        QMessageBox::Warning,
        QString::fromUtf8(app::kWindowCaption.data(), static_cast<int>(app::kWindowCaption.size())),
        QString::fromStdString(message), QMessageBox::Ok, parent_);
    // A message quotes what the user typed: markup in it is shown, not rendered.
    box.setTextFormat(Qt::PlainText);
    box.exec();
}
