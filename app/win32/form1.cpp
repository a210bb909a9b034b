#include "app/win32/form1.h"

#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>
#include <vector>

#include "app/layout.h"
#include "app/win32/message_box_notifier.h"
#include "app/win32/message_wait.h"
#include "app/win32/wide_text.h"
#include "platform/program_folder.h"
#include "platform/timer_resolution.h"
#include "session/wait.h"

namespace {

constexpr TCHAR kWindowClass[] = TEXT("TQ58Form1");
constexpr int kFirstControlId = 100;
constexpr int kProgressId = 90;
constexpr int kStatusId = 91;
constexpr int kFolderId = 92;

int Pixels(int twips) {
    return twips / app::kTwipsPerPixel;
}

DWORD LabelAlignment(app::Alignment alignment) {
    switch (alignment) {
        case app::Alignment::Centre:
            return SS_CENTER;
        case app::Alignment::Right:
            return SS_RIGHT;
        case app::Alignment::Left:
            break;
    }
    return SS_LEFT;
}

int CALLBACK FontFound(const LOGFONT*, const TEXTMETRIC*, DWORD, LPARAM found) {
    *reinterpret_cast<bool*>(found) = true;
    return 0;  // one is enough
}

// The layout was measured against a 9-point Japanese UI font, 12 pixels high. Windows has
// "MS UI Gothic"; elsewhere (Wine) the first Japanese font installed.
HFONT CreateUiFont() {
    const TCHAR* faces[] = {TEXT("MS UI Gothic"), TEXT("IPAGothic"), TEXT("IPAPGothic"),
                            TEXT("Noto Sans CJK JP")};
    HDC screen = GetDC(nullptr);
    const TCHAR* chosen = nullptr;
    for (const TCHAR* face : faces) {
        LOGFONT wanted{};
        wanted.lfCharSet = DEFAULT_CHARSET;
        lstrcpyn(wanted.lfFaceName, face, LF_FACESIZE);
        bool found = false;
        EnumFontFamiliesEx(screen, &wanted, FontFound, reinterpret_cast<LPARAM>(&found), 0);
        if (found) {
            chosen = face;
            break;
        }
    }
    ReleaseDC(nullptr, screen);
    return CreateFont(-12, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET,
                      OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                      DEFAULT_PITCH | FF_DONTCARE, chosen ? chosen : TEXT("MS Shell Dlg"));
}

app::OperationKind KindOf(std::string_view button) {
    if (button == "run0") return app::OperationKind::InstantaneousReadout;
    if (button == "run1") return app::OperationKind::MassMemoryDownload;
    if (button == "run2") return app::OperationKind::SecondaryProcessingDownload;
    return app::OperationKind::MassMemoryErase;
}

}  // namespace

Form1::Form1(app::Notifier* notifier, std::filesystem::path outputFolder)
    : ownNotifier_(notifier ? nullptr : std::make_unique<MessageBoxNotifier>(&window_)),
      runner_(*this, notifier ? *notifier : *ownNotifier_,
              outputFolder.empty() ? platform::OutputFolder() : std::move(outputFolder)) {}

Form1::~Form1() {
    lb::RestoreDefaultWaitSeams();
    if (window_ != nullptr) DestroyWindow(window_);
    if (font_ != nullptr) DeleteObject(font_);
}

bool Form1::Create() {
    const HINSTANCE instance = GetModuleHandle(nullptr);
    INITCOMMONCONTROLSEX common{sizeof(INITCOMMONCONTROLSEX),
                                ICC_PROGRESS_CLASS | ICC_WIN95_CLASSES};
    InitCommonControlsEx(&common);

    WNDCLASSEX windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = WindowProcedure;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = kWindowClass;
    RegisterClassEx(&windowClass);  // fails harmlessly when a second window registers again

    // A fixed-size window whose client area is the layout's plus the status line.
    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    RECT frame{0, 0, Pixels(app::kClientWidthTwips),
               Pixels(app::kClientHeightTwips) + kStatusLineHeight};
    AdjustWindowRectEx(&frame, style, FALSE, 0);
    window_ = CreateWindowEx(0, kWindowClass, win32::SystemText(app::kWindowCaption).c_str(), style,
                             CW_USEDEFAULT, CW_USEDEFAULT, frame.right - frame.left,
                             frame.bottom - frame.top, nullptr, nullptr, instance, this);
    if (window_ == nullptr) return false;
    font_ = CreateUiFont();
    BuildControls();
    BuildStatusLine();
    InstallEventStep();
    return true;
}

void Form1::BuildControls() {
    const HINSTANCE instance = GetModuleHandle(nullptr);
    std::vector<std::pair<int, HWND>> tabOrder;
    std::vector<HWND> labels;
    std::vector<HWND> frames;
    int index = 0;
    for (const auto& layout : app::WindowLayout()) {
        const int id = kFirstControlId + index++;
        // Win32 frames are not parents: a control in a frame is placed by adding the frame's
        // position, and stays a child of the window.
        int left = Pixels(layout.left);
        int top = Pixels(layout.top);
        if (!layout.container.empty()) {
            const auto* frame = app::FindControl(layout.container);
            left += Pixels(frame->left);
            top += Pixels(frame->top);
        }
        const TCHAR* className = TEXT("BUTTON");
        // Overlapping siblings (a caption running under its text box) paint in tab order.
        DWORD style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS;
        DWORD extended = 0;
        switch (layout.kind) {
            case app::ControlKind::Frame:
                style |= BS_GROUPBOX;
                break;
            case app::ControlKind::Label:
                className = TEXT("STATIC");
                style |= LabelAlignment(layout.alignment) | SS_CENTERIMAGE | SS_NOPREFIX;
                if (layout.border) style |= WS_BORDER;
                break;
            case app::ControlKind::TextBox:
                className = TEXT("EDIT");
                style |= WS_TABSTOP | ES_AUTOHSCROLL;
                extended = WS_EX_CLIENTEDGE;
                break;
            // Exclusive per frame, by hand: the tab order interleaves the two frames' buttons,
            // which Win32's own grouping (by position in the tab order) cannot express.
            case app::ControlKind::OptionButton:
                style |= WS_TABSTOP | BS_RADIOBUTTON;
                break;
            case app::ControlKind::CommandButton:
                style |= WS_TABSTOP | BS_PUSHBUTTON;
                break;
        }
        HWND control =
            CreateWindowEx(extended, className, win32::SystemText(layout.text).c_str(), style, left,
                           top, Pixels(layout.width), Pixels(layout.height), window_,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
        SendMessage(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
        if (layout.kind == app::ControlKind::OptionButton && layout.selected) {
            SendMessage(control, BM_SETCHECK, BST_CHECKED, 0);
        }
        const std::string name(layout.name);
        controls_[name] = {control, std::string(layout.container),
                           layout.kind == app::ControlKind::OptionButton};
        namesById_[id] = name;
        if (layout.kind == app::ControlKind::Frame) {
            frames.push_back(control);
        } else if (layout.kind == app::ControlKind::Label) {
            labels.push_back(control);
        } else {
            tabOrder.emplace_back(layout.tabIndex, control);
        }
    }
    // The order of the children, top first: the controls that take the focus in tab order
    // (the tab key follows it), then the labels, then the frames, which paint under all.
    std::stable_sort(tabOrder.begin(), tabOrder.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<HWND> order;
    for (const auto& entry : tabOrder) order.push_back(entry.second);
    order.insert(order.end(), labels.begin(), labels.end());
    order.insert(order.end(), frames.begin(), frames.end());
    HWND previous = HWND_TOP;
    for (HWND control : order) {
        SetWindowPos(control, previous, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
        previous = control;
    }
}

void Form1::BuildStatusLine() {
    const HINSTANCE instance = GetModuleHandle(nullptr);
    const int top = Pixels(app::kClientHeightTwips);
    const int width = Pixels(app::kClientWidthTwips);
    HWND progress = CreateWindowEx(
        0, PROGRESS_CLASS, TEXT(""), WS_CHILD, 4, top + 3, 160, 16, window_,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(kProgressId)), instance, nullptr);
    // A summary written to fit; a longer one ends in an ellipsis rather than at the edge.
    HWND status = CreateWindowEx(
        0, TEXT("STATIC"), TEXT(""),
        WS_CHILD | WS_VISIBLE | SS_LEFT | SS_CENTERIMAGE | SS_NOPREFIX | SS_ENDELLIPSIS | SS_NOTIFY,
        170, top, width - 174, 22, window_,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(kStatusId)), instance, nullptr);
    // The folder of the latest download, elided in the middle; a click opens it.
    HWND folder =
        CreateWindowEx(0, TEXT("STATIC"), TEXT(""),
                       WS_CHILD | WS_VISIBLE | SS_LEFT | SS_CENTERIMAGE | SS_NOPREFIX |
                           SS_PATHELLIPSIS | SS_NOTIFY,
                       4, top + 21, width - 8, 20, window_,
                       reinterpret_cast<HMENU>(static_cast<INT_PTR>(kFolderId)), instance, nullptr);
    for (HWND control : {status, folder}) {
        SendMessage(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    }
    controls_["progress"] = {progress, "", false};
    controls_["status"] = {status, "", false};
    controls_["folder"] = {folder, "", false};

    // The details of an outcome show when the pointer rests on the status line.
    tooltip_ = CreateWindowEx(0, TOOLTIPS_CLASS, nullptr, WS_POPUP | TTS_NOPREFIX, CW_USEDEFAULT,
                              CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, window_, nullptr,
                              instance, nullptr);
    if (tooltip_ != nullptr) {
        for (HWND control : {status, folder}) {
            TOOLINFO tool{};
            tool.cbSize = TTTOOLINFO_V1_SIZE;  // the size Windows 2000's and 98's comctl32 know
            tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
            tool.hwnd = window_;
            tool.uId = reinterpret_cast<UINT_PTR>(control);
            tool.lpszText = LPSTR_TEXTCALLBACK;
            SendMessage(tooltip_, TTM_ADDTOOL, 0, reinterpret_cast<LPARAM>(&tool));
        }
        SendMessage(tooltip_, TTM_SETMAXTIPWIDTH, 0, width);
        SendMessage(tooltip_, TTM_SETDELAYTIME, TTDT_AUTOPOP, 30000);
    }
}

// Pending messages are handled, then the thread sleeps until the next message or the end of
// the pause, whichever comes first: the window stays live without keeping a processor busy.
// The sleep's time-out ends on the system timer's tick, which RunOperation sets to 1 ms while
// an operation runs; the pause itself is measured on the 1 ms tick counter, so a sleep that
// ends early only brings another round.
void Form1::InstallEventStep() {
    lb::SetEventStep([this](std::uint32_t remainingMs) {
        if (!PumpPendingMessages()) return false;
        if (remainingMs > 0) {
            win32::WaitForMessage(remainingMs);
            if (!PumpPendingMessages()) return false;
        }
        return !stopRequested_;
    });
}

bool Form1::PumpPendingMessages() {
    MSG message;
    while (PeekMessage(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            // Leave it for the message loop, and stop the operation.
            PostQuitMessage(static_cast<int>(message.wParam));
            stopRequested_ = true;
            return false;
        }
        if (!IsDialogMessage(window_, &message)) {
            TranslateMessage(&message);
            DispatchMessage(&message);
        }
    }
    return true;
}

int Form1::RunMessageLoop() {
    SetFocus(Control("run1"));
    MSG message;
    while (GetMessage(&message, nullptr, 0, 0) > 0) {
        if (!IsDialogMessage(window_, &message)) {
            TranslateMessage(&message);
            DispatchMessage(&message);
        }
    }
    return static_cast<int>(message.wParam);
}

LRESULT CALLBACK Form1::WindowProcedure(HWND window, UINT message, WPARAM w, LPARAM l) {
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCT*>(l);
        SetWindowLongPtr(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* form = reinterpret_cast<Form1*>(GetWindowLongPtr(window, GWLP_USERDATA));
    if (form == nullptr || form->window_ == nullptr) {
        return DefWindowProc(window, message, w, l);
    }
    return form->Handle(message, w, l);
}

LRESULT Form1::Handle(UINT message, WPARAM w, LPARAM l) {
    switch (message) {
        case WM_COMMAND:
            // STN_CLICKED from the folder line has the same code as BN_CLICKED.
            if (HIWORD(w) == BN_CLICKED) OnCommand(LOWORD(w), reinterpret_cast<HWND>(l));
            return 0;
        case WM_NOTIFY: {
            auto* header = reinterpret_cast<NMHDR*>(l);
            if (header->hwndFrom == tooltip_ && header->code == TTN_GETDISPINFO) {
                auto* info = reinterpret_cast<NMTTDISPINFO*>(l);
                const bool onFolder = reinterpret_cast<HWND>(header->idFrom) == Control("folder");
                tipText_ = onFolder ? win32::SystemPath(folder_) : win32::SystemText(statusTip_);
                info->lpszText = tipText_.data();
                return 0;
            }
            return DefWindowProc(window_, message, w, l);
        }
        case WM_CTLCOLORSTATIC: {
            // Labels on the window's face colour, as the rest of the window.
            HDC dc = reinterpret_cast<HDC>(w);
            SetBkMode(dc, TRANSPARENT);
            return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
        }
        case WM_CLOSE:
            if (runner_.running()) {
                // The operation stops at its next pause and closes its session and file;
                // then the window closes.
                stopRequested_ = true;
                return 0;
            }
            DestroyWindow(window_);
            return 0;
        case WM_DESTROY:
            window_ = nullptr;
            PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProc(window_, message, w, l);
    }
}

void Form1::OnCommand(int id, HWND control) {
    if (id == kFolderId) {
        if (!folder_.empty()) {
            ShellExecute(window_, TEXT("open"), win32::SystemPath(folder_).c_str(), nullptr,
                         nullptr, SW_SHOWNORMAL);
        }
        return;
    }
    const auto found = namesById_.find(id);
    if (found == namesById_.end()) return;
    const std::string& name = found->second;
    if (controls_.at(name).optionButton) {
        SelectOption(control);
    } else if (name.rfind("run", 0) == 0) {
        RunOperation(KindOf(name));
    }
}

void Form1::SelectOption(HWND button) {
    std::string container;
    for (const auto& [name, entry] : controls_) {
        if (entry.handle == button) container = entry.container;
    }
    for (const auto& [name, entry] : controls_) {
        if (entry.optionButton && entry.container == container) {
            SendMessage(entry.handle, BM_SETCHECK,
                        entry.handle == button ? BST_CHECKED : BST_UNCHECKED, 0);
        }
    }
}

void Form1::RunOperation(app::OperationKind kind) {
    {
        // The pauses between exchanges are timed to the millisecond only under a 1 ms timer.
        const platform::FineTimerResolution fineTimer;
        runner_.Run(kind);
    }
    // A close asked for during the operation happens now that it has ended.
    if (stopRequested_ && !runner_.running() && window_ != nullptr) DestroyWindow(window_);
}

int Form1::ControlId(std::string_view name) {
    if (name == "progress") return kProgressId;
    if (name == "status") return kStatusId;
    if (name == "folder") return kFolderId;
    int index = 0;
    for (const auto& layout : app::WindowLayout()) {
        if (layout.name == name) return kFirstControlId + index;
        ++index;
    }
    return 0;
}

HWND Form1::Control(std::string_view name) const {
    const auto found = controls_.find(name);
    return found == controls_.end() ? nullptr : found->second.handle;
}

std::string Form1::Text(std::string_view textBox) const {
    HWND control = Control(textBox);
    win32::SystemString text(static_cast<size_t>(GetWindowTextLength(control)) + 1, TEXT('\0'));
    text.resize(
        static_cast<size_t>(GetWindowText(control, text.data(), static_cast<int>(text.size()))));
    return win32::FromSystemText(text);
}

bool Form1::Selected(std::string_view optionButton) const {
    return SendMessage(Control(optionButton), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void Form1::SetCaption(std::string_view label, const std::string& caption) {
    SetWindowText(Control(label), win32::SystemText(caption).c_str());
}

void Form1::ShowProgress(int done, int total) {
    HWND progress = Control("progress");
    if (total <= 0) {
        ShowWindow(progress, SW_HIDE);
        return;
    }
    SendMessage(progress, PBM_SETRANGE32, 0, total);
    SendMessage(progress, PBM_SETPOS, static_cast<WPARAM>(done), 0);
    ShowWindow(progress, SW_SHOWNA);
}

void Form1::ShowStatus(const app::Status& status) {
    SetWindowText(Control("status"), win32::SystemText(status.summary).c_str());
    statusTip_ = status.details.empty() ? std::string() : status.summary + "\n" + status.details;
    if (status.folderLine.empty()) return;  // the latest download's folder stays shown
    SetWindowText(Control("folder"), win32::SystemText(status.folderLine).c_str());
    folder_ = status.folder;
}
