#pragma once

#include "platform/keyboardinjector.h"

#include <QWidget>

#include <memory>

namespace Ui {
class AboutPanel;
}

// The About page: the product and its version, the licence, where the documentation lies, and where
// typing does not reach every window; nothing the program cannot vouch for.
class AboutPanel : public QWidget
{
    Q_OBJECT

public:
    explicit AboutPanel(QWidget* parent = nullptr);
    ~AboutPanel() override;

    // Said where typing does not reach every window: a user of such a desktop would otherwise only see
    // that nothing arrives.
    void setTypingReach(KeyboardInjector::Reach reach);

    // There is no web address to open; the banner and this page lead to the documentation instead.
    static void openDocumentation();

protected:
    void changeEvent(QEvent* event) override;

private:
    void showTexts();

    std::unique_ptr<Ui::AboutPanel> m_ui;
    KeyboardInjector::Reach m_reach = KeyboardInjector::Reach::EveryWindow;
};
