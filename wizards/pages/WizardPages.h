#pragma once
// The pages every multiple-computer wizard is built from besides the computer
// list: welcome, an operation page whose Next starts the run, and completion.
#include "wizards/pages/WizardPage.h"

#include <functional>
#include <string>

namespace vantrel {

// The heading font of welcome and completion pages: the page's dialog font,
// bold (weight 700), height 20. Null when it cannot be made.
HFONT MakeHeadingFont(HWND page);

// An exterior page (no header): the wizard's title in the caption, a bold
// heading and a text.
class WelcomePage final : public WizardPage {
public:
    // `templateId`: a sheet with a watermark gives a template whose controls
    // leave its strip free.
    WelcomePage(std::wstring title, std::wstring heading, std::wstring text, UINT templateId = 0);
    const std::wstring& Heading() const noexcept { return heading_; }
    const std::wstring& Text() const noexcept { return text_; }

protected:
    BOOL OnInitDialog() override;

private:
    std::wstring heading_;
    std::wstring text_;
};

// The interior page before the progress page: a sentence, and Next runs
// `onNext` (its result is the page's answer: 0 moves on, -1 stays).
class OperationPage : public WizardPage {
public:
    OperationPage(UINT templateId, std::wstring headerTitle, std::wstring text);
    void SetNextHook(std::function<LRESULT()> onNext) { onNext_ = std::move(onNext); }

protected:
    BOOL OnInitDialog() override;
    LRESULT OnWizardNext() override;
    // For pages that check their fields before the run starts.
    LRESULT RunNextHook() { return onNext_ ? onNext_() : 0; }

private:
    std::wstring text_;
    std::function<LRESULT()> onNext_;
};

// The last page: heading, text, the summary (made anew on each activation by
// `summary`) in a read-only box, and Finish.
class CompletionPage final : public WizardPage {
public:
    CompletionPage(std::wstring heading, std::wstring text, std::function<std::wstring()> summary,
                   UINT templateId = 0);
    // The summary as last shown.
    std::wstring ShownSummary() const;

protected:
    BOOL OnInitDialog() override;
    LRESULT OnSetActive() override;

private:
    std::wstring heading_;
    std::wstring text_;
    std::function<std::wstring()> summary_;
};

}  // namespace vantrel
