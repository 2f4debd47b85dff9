#pragma once

#include <QFrame>
#include <QIcon>
#include <functional>
#include <vector>

class QToolButton;
class QVBoxLayout;

namespace tilt::frame {

// The navigation bar: large icons with their captions, one above the other, in groups. A click
// on an enabled item runs what the item was added with.
class ListBar final : public QFrame {
    Q_OBJECT

  public:
    explicit ListBar(QWidget* parent = nullptr);

    // Adds an item to `group` that runs `chosen` when clicked; its name is its text.
    void addBarItem(int group, const QString& text, const QIcon& icon, bool enabled,
                    std::function<void()> chosen);

    // Items are counted from 1 within their group.
    void setItemEnabled(int group, int item, bool enabled);
    [[nodiscard]] bool isItemEnabled(int group, int item) const;
    [[nodiscard]] QToolButton* barItem(int group, int item) const;

    // Redraws the bar after its items changed.
    void refresh();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void focusNeighbour(const QToolButton* from, int step);

    struct Item {
        int group;
        QToolButton* button;
    };
    QVBoxLayout* layout_;
    std::vector<Item> items_;
};

}  // namespace tilt::frame
