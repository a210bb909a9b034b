#include "app/win32/message_box_notifier.h"

#include "app/layout.h"
#include "app/win32/wide_text.h"

void MessageBoxNotifier::Tell(const std::string& message) {
    MessageBox(*owner_, win32::SystemText(message).c_str(),
               win32::SystemText(app::kWindowCaption).c_str(), MB_OK | MB_ICONWARNING);
}
