#pragma once

#include <QPushButton>

namespace tarnvale {

// A check box in graphical style used as a push button. A click of the user
// sets Value to 1 and raises Click; setting Value from code raises Click too
// whenever the value changes. Every Click handler acts only when Value is 1 and
// first sets it back to 0; the nested Click this raises finds 0 and does
// nothing, so each click acts once and the button is up again at once.
class GraphicalButton : public QPushButton {
    Q_OBJECT
  public:
    GraphicalButton(const QString& caption, QWidget* parent);

    int value() const { return value_; }
    void setValue(int value);

  signals:
    void Click();

  private:
    int value_ = 0;
};

// The opening of every Click handler: true once per click of the user, with
// the button already up again.
bool TakeClick(GraphicalButton& button);

}  // namespace tarnvale
