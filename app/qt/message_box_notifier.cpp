#include "app/qt/message_box_notifier.h"

#include <QMessageBox>

#include "app/layout.h"

void MessageBoxNotifier::Tell(const std::string& message) {
    QMessageBox::warning(
        parent_,
        QString::fromUtf8(app::kWindowCaption.data(), static_cast<int>(app::kWindowCaption.size())),
        QString::fromStdString(message));
}
