#include "frame/list_bar.h"

#include <QKeyEvent>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

namespace tilt::frame {

namespace {
constexpr int kIconSize = 40;
constexpr int kBarWidth = 150;
}  // namespace

ListBar::ListBar(QWidget* parent) : QFrame(parent), layout_(new QVBoxLayout(this)) {
    setFrameShape(QFrame::StyledPanel);
    setAccessibleName(QStringLiteral("Navigation"));
    setFixedWidth(kBarWidth);
    // A tinted panel, with disabled items still readable on it.
    QPalette tinted = palette();
    tinted.setColor(QPalette::Window, QColor(222, 228, 237));
    tinted.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(128, 134, 142));
    tinted.setColor(QPalette::Disabled, QPalette::WindowText, QColor(128, 134, 142));
    setPalette(tinted);
    setAutoFillBackground(true);
    layout_->setContentsMargins(6, 10, 6, 10);
    layout_->setSpacing(8);
    layout_->addStretch();
}

void ListBar::addBarItem(int group, const QString& text, const QIcon& icon, bool enabled,
                         std::function<void()> chosen) {
    auto* button = new QToolButton(this);
    button->setObjectName(text);
    button->setText(text);
    button->setToolTip(text);
    button->setIcon(icon);
    button->setIconSize(QSize(kIconSize, kIconSize));
    button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    button->setAutoRaise(true);
    // Reached with Tab like any list; the arrows move between the items, Return chooses one.
    button->setFocusPolicy(Qt::StrongFocus);
    button->installEventFilter(this);
    button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    button->setEnabled(enabled);
    connect(button, &QToolButton::clicked, this, std::move(chosen));
    layout_->insertWidget(layout_->count() - 1, button);
    items_.push_back({group, button});
}

QToolButton* ListBar::barItem(int group, int item) const {
    int index = 0;
    for (const Item& candidate : items_) {
        if (candidate.group == group && ++index == item) {
            return candidate.button;
        }
    }
    return nullptr;
}

void ListBar::setItemEnabled(int group, int item, bool enabled) {
    if (QToolButton* button = barItem(group, item)) {
        button->setEnabled(enabled);
    }
}

bool ListBar::isItemEnabled(int group, int item) const {
    const QToolButton* button = barItem(group, item);
    return button && button->isEnabled();
}

void ListBar::refresh() {
    update();
}

bool ListBar::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress) {
        return QFrame::eventFilter(watched, event);
    }
    auto* button = qobject_cast<QToolButton*>(watched);
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (button && (key == Qt::Key_Return || key == Qt::Key_Enter)) {
        button->click();
        return true;
    }
    if (button && (key == Qt::Key_Down || key == Qt::Key_Up)) {
        focusNeighbour(button, key == Qt::Key_Down ? 1 : -1);
        return true;
    }
    return QFrame::eventFilter(watched, event);
}

// Moves the focus to the next enabled item in `step`'s direction, if there is one.
void ListBar::focusNeighbour(const QToolButton* from, int step) {
    const auto at = std::find_if(items_.begin(), items_.end(),
                                 [from](const Item& item) { return item.button == from; });
    if (at == items_.end()) {
        return;
    }
    for (auto i = (at - items_.begin()) + step;
         i >= 0 && i < static_cast<std::ptrdiff_t>(items_.size()); i += step) {
        QToolButton* next = items_[static_cast<std::size_t>(i)].button;
        if (next->isEnabled()) {
            next->setFocus(Qt::TabFocusReason);
            return;
        }
    }
}

}  // namespace tilt::frame
