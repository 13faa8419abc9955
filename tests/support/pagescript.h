#pragma once

#include <QTest>
#include <QVariant>
#include <QWebEnginePage>

#include <memory>

// Runs a script in the page and waits up to timeoutMs for its result. A page that navigates
// meanwhile may never answer: the wait then ends with ok false, and an answer arriving later
// lands in state of its own, not in a stack frame that is gone.
inline QVariant evaluateInPage(QWebEnginePage *page, const QString &script, int timeoutMs,
                               bool *ok = nullptr)
{
    struct Answer
    {
        bool done = false;
        QVariant value;
    };
    auto answer = std::make_shared<Answer>();
    page->runJavaScript(script, [answer](const QVariant &value) {
        answer->value = value;
        answer->done = true;
    });
    const bool answered = QTest::qWaitFor([&] { return answer->done; }, timeoutMs);
    if (ok)
        *ok = answered;
    return answer->value;
}
