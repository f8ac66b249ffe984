#include "framework/qt/ControlWindows.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <algorithm>
#include <cstring>

#include "framework/qt/Text.h"
#include "framework/qt/WindowBinding.h"

namespace framework {
namespace {

using TextGetter = std::function<QString()>;
using TextSetter = std::function<void(const QString&)>;

// WM_SETTEXT, WM_GETTEXT and WM_GETTEXTLENGTH over a widget's text; 0 for other messages
// (handled = false).
LRESULT TextMessage(UINT message, WPARAM wParam, LPARAM lParam, const TextGetter& get,
                    const TextSetter& set, bool* handled) {
    *handled = true;
    switch (message) {
        case WM_SETTEXT:
            set(ToQString(reinterpret_cast<LPCWSTR>(lParam)));
            return TRUE;
        case WM_GETTEXTLENGTH:
            return static_cast<LRESULT>(ToWString(get()).size());
        case WM_GETTEXT: {
            if (wParam == 0 || lParam == 0) {
                return 0;
            }
            const std::wstring text = ToWString(get());
            const std::size_t count = std::min<std::size_t>(text.size(), wParam - 1);
            auto* buffer = reinterpret_cast<LPWSTR>(lParam);
            std::copy_n(text.data(), count, buffer);
            buffer[count] = L'\0';
            return static_cast<LRESULT>(count);
        }
        default:
            *handled = false;
            return 0;
    }
}

CWindowBinding::Procedure TextProcedure(TextGetter get, TextSetter set) {
    return [get, set](UINT message, WPARAM wParam, LPARAM lParam) {
        bool handled = false;
        return TextMessage(message, wParam, lParam, get, set, &handled);
    };
}

void ApplyCommonStyle(QWidget* widget, const DialogItem& item) {
    widget->setEnabled((item.style & WS_DISABLED) == 0);
    widget->setFocusPolicy((item.style & WS_TABSTOP) != 0 ? Qt::StrongFocus : Qt::NoFocus);
    widget->setVisible((item.style & WS_VISIBLE) != 0);
}

CWindowBinding* CreateCheckBox(QWidget* parent, const DialogItem& item) {
    auto* box = new QCheckBox(QString::fromUtf8(item.caption ? item.caption : ""), parent);
    if ((item.style & BS_TYPEMASK) == BS_CHECKBOX) {
        // Not automatic: a click only notifies; the program sets the state.
        QObject::connect(box, &QCheckBox::clicked, box,
                         [box](bool checked) { box->setChecked(!checked); });
    }
    auto text =
        TextProcedure([box] { return box->text(); }, [box](const QString& t) { box->setText(t); });
    return new CWindowBinding(box,
                              [box, text](UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
                                  switch (message) {
                                      case BM_GETCHECK:
                                          return box->isChecked() ? 1 : 0;
                                      case BM_SETCHECK:
                                          box->setChecked(wParam != 0);
                                          return 0;
                                      default:
                                          return text(message, wParam, lParam);
                                  }
                              });
}

int SortedPosition(const QComboBox* combo, const QString& text) {
    int position = combo->count();
    while (position > 0 &&
           QString::compare(combo->itemText(position - 1), text, Qt::CaseInsensitive) > 0) {
        --position;
    }
    return position;
}

LRESULT ComboMessage(QComboBox* combo, bool sorted, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case CB_ADDSTRING: {
            const QString text = ToQString(reinterpret_cast<LPCWSTR>(lParam));
            const int position = sorted ? SortedPosition(combo, text) : combo->count();
            const QSignalBlocker blocker(combo);
            const QString edit = combo->currentText();
            const bool hadSelection = combo->currentIndex() >= 0;
            combo->insertItem(position, text);
            if (!hadSelection) {
                // Qt selects the first item added to an empty list; this list does not.
                combo->setCurrentIndex(-1);
                combo->setEditText(edit);
            }
            return position;
        }
        case CB_GETCOUNT:
            return combo->count();
        case CB_GETCURSEL:
            return combo->currentIndex();
        case CB_SETCURSEL: {
            const int index = static_cast<int>(static_cast<LPARAM>(wParam));
            if (index < 0 || index >= combo->count()) {
                combo->setCurrentIndex(-1);
                combo->setEditText(QString());
                return CB_ERR;
            }
            combo->setCurrentIndex(index);
            return index;
        }
        case CB_GETLBTEXTLEN:
        case CB_GETLBTEXT: {
            const int index = static_cast<int>(wParam);
            if (index < 0 || index >= combo->count()) {
                return CB_ERR;
            }
            const std::wstring text = ToWString(combo->itemText(index));
            if (message == CB_GETLBTEXT && lParam != 0) {
                auto* buffer = reinterpret_cast<LPWSTR>(lParam);
                std::copy(text.begin(), text.end(), buffer);
                buffer[text.size()] = L'\0';
            }
            return static_cast<LRESULT>(text.size());
        }
        default: {
            bool handled = false;
            return TextMessage(
                message, wParam, lParam, [combo] { return combo->currentText(); },
                [combo](const QString& t) { combo->setEditText(t); }, &handled);
        }
    }
}

CWindowBinding* CreateComboBox(QWidget* parent, const DialogItem& item,
                               const DialogBaseUnits& units) {
    auto* combo = new QComboBox(parent);
    const DWORD kind = item.style & CBS_TYPEMASK;
    combo->setEditable(kind == CBS_DROPDOWN || kind == CBS_SIMPLE);
    combo->setInsertPolicy(QComboBox::NoInsert);
    if (QLineEdit* edit = combo->lineEdit()) {
        // Typed text completes nothing; it selects the item it spells exactly, and no item
        // otherwise.
        combo->setCompleter(nullptr);
        QObject::connect(edit, &QLineEdit::textEdited, combo, [combo, edit](const QString& text) {
            const int spelled = combo->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
            if (combo->currentIndex() == spelled) {
                return;
            }
            const int cursor = edit->cursorPosition();
            const QSignalBlocker blocker(combo);
            combo->setCurrentIndex(spelled);
            edit->setText(text);
            edit->setCursorPosition(cursor);
        });
    }
    // The template's height includes the dropped-down list; the field itself keeps its own
    // height and the list shows as many items as the rest of that height holds.
    const PixelRect rect = MapDialogRect(item.x, item.y, item.cx, item.cy, units);
    const int fieldHeight = combo->sizeHint().height();
    const int itemHeight = std::max(1, combo->fontMetrics().height() + 2);
    combo->setMaxVisibleItems(std::max(1, (rect.height - fieldHeight) / itemHeight));
    combo->setGeometry(rect.x, rect.y, rect.width, fieldHeight);
    const bool sorted = (item.style & CBS_SORT) != 0;
    return new CWindowBinding(combo, [combo, sorted](UINT message, WPARAM wParam, LPARAM lParam) {
        return ComboMessage(combo, sorted, message, wParam, lParam);
    });
}

// A one-line static whose text is wider than its rectangle (the CJK font here is wider than the
// one the template was laid out for) grows to the right, up to the dialog's edge, rather than
// wrapping its end out of sight.
int FittingStaticWidth(const QWidget* label, const QString& text, const PixelRect& rect,
                       int dialogWidth) {
    const QFontMetrics metrics = label->fontMetrics();
    const int needed = metrics.horizontalAdvance(text) + 2;
    if (rect.height >= 2 * metrics.height() || needed <= rect.width) {
        return rect.width;
    }
    return std::max(rect.width, std::min(needed, dialogWidth - rect.x));
}

}  // namespace

CWindowBinding* CreateControl(
    QWidget* pDialog, const DialogItem& item, const DialogBaseUnits& units,
    const std::function<void(int id, WORD code, HWND hControl)>& onCommand) {
    const QString caption = QString::fromUtf8(item.caption != nullptr ? item.caption : "");
    CWindowBinding* binding = nullptr;
    switch (item.kind) {
        case ControlClass::Button: {
            const DWORD kind = item.style & BS_TYPEMASK;
            if (kind == BS_GROUPBOX) {
                auto* group = new QGroupBox(caption, pDialog);
                binding = new CWindowBinding(
                    group, TextProcedure([group] { return group->title(); },
                                         [group](const QString& t) { group->setTitle(t); }));
            } else if (kind == BS_CHECKBOX || kind == BS_AUTOCHECKBOX) {
                binding = CreateCheckBox(pDialog, item);
            } else {
                auto* button = new QPushButton(caption, pDialog);
                // Qt makes a dialog's push buttons default buttons, so Enter in a list would
                // press the first one; only a template's BS_DEFPUSHBUTTON is one.
                button->setAutoDefault(false);
                button->setDefault(kind == BS_DEFPUSHBUTTON);
                binding = new CWindowBinding(
                    button, TextProcedure([button] { return button->text(); },
                                          [button](const QString& t) { button->setText(t); }));
            }
            auto* button = qobject_cast<QAbstractButton*>(binding->Widget());
            if (button != nullptr) {
                const int id = item.id;
                const HWND hControl = binding->Handle();
                QObject::connect(
                    button, &QAbstractButton::clicked, button,
                    [onCommand, id, hControl] { onCommand(id, BN_CLICKED, hControl); });
            }
            break;
        }
        case ControlClass::ComboBox:
            binding = CreateComboBox(pDialog, item, units);
            break;
        case ControlClass::Static: {
            auto* label = new QLabel(caption, pDialog);
            const DWORD kind = item.style & SS_TYPEMASK;
            const Qt::Alignment horizontal = kind == SS_CENTER  ? Qt::AlignHCenter
                                             : kind == SS_RIGHT ? Qt::AlignRight
                                                                : Qt::AlignLeft;
            label->setAlignment(horizontal | Qt::AlignTop);
            label->setWordWrap(true);
            binding = new CWindowBinding(
                label, TextProcedure([label] { return label->text(); },
                                     [label](const QString& t) { label->setText(t); }));
            break;
        }
    }
    QWidget* widget = binding->Widget();
    if (item.kind != ControlClass::ComboBox) {
        PixelRect rect = MapDialogRect(item.x, item.y, item.cx, item.cy, units);
        if (item.kind == ControlClass::Static) {
            rect.width = FittingStaticWidth(widget, caption, rect, pDialog->width());
        }
        widget->setGeometry(rect.x, rect.y, rect.width, rect.height);
    }
    ApplyCommonStyle(widget, item);
    if (item.kind == ControlClass::Button && (item.style & BS_TYPEMASK) == BS_GROUPBOX) {
        // A group box only frames; the controls inside it stay on top and take the clicks.
        widget->lower();
        widget->setFocusPolicy(Qt::NoFocus);
    }
    return binding;
}

CWindowBinding* BindDialogWindow(QWidget* pDialog) {
    auto text = TextProcedure([pDialog] { return pDialog->windowTitle(); },
                              [pDialog](const QString& t) { pDialog->setWindowTitle(t); });
    // Both icon sizes come from one multi-size icon; the handles are kept for the answers.
    auto icons = std::make_shared<std::pair<HICON, HICON>>(nullptr, nullptr);
    return new CWindowBinding(
        pDialog, [pDialog, text, icons](UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
            if (message != WM_SETICON) {
                return text(message, wParam, lParam);
            }
            HICON& slot = wParam == ICON_BIG ? icons->first : icons->second;
            HICON previous = slot;
            slot = reinterpret_cast<HICON>(lParam);
            if (slot != nullptr) {
                pDialog->setWindowIcon(*reinterpret_cast<const QIcon*>(slot));
            }
            return reinterpret_cast<LRESULT>(previous);
        });
}

}  // namespace framework
