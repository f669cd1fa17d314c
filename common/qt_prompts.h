#pragma once

#include <QPointer>
#include <QString>

#include "prompts.h"

class QWidget;

namespace tarnvale {

// The prompts as real modal dialogs over parent, titled "Tarnvale", no icon.
class QtPrompts final : public Prompts {
  public:
    explicit QtPrompts(QWidget* parent);

    int messageBox(const std::string& prompt, int buttons) override;
    std::string inputBox(const std::string& prompt, const std::string& defaultText) override;
    std::string openFile(const std::string& title, const std::string& filter) override;

    // "A (*.a)|*.a|B (*.b)|*.b" as Qt writes it: "A (*.a);;B (*.b)". A
    // description without its pattern in parentheses gets it appended.
    static QString qtFilter(const std::string& filter);

  private:
    QPointer<QWidget> parent_;
};

}  // namespace tarnvale
