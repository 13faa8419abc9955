#pragma once

#include "mpvwidget.h"

#include <QList>
#include <QObject>
#include <QTest>

// "Nothing happened" is only known once everything already on its way has arrived. These send a
// marker through the same queues as the events in question and wait for it to come back.

// Every event posted to the GUI thread before the call has been handled.
inline bool guiRoundTrip(int timeoutMs = 10000)
{
    QObject context;
    bool done = false;
    QMetaObject::invokeMethod(&context, [&done] { done = true; }, Qt::QueuedConnection);
    return QTest::qWaitFor([&done] { return done; }, timeoutMs);
}

// Every request made to these players before the call has been carried out by their cores,
// every event the cores queued before that has been handled on the GUI thread, and so has what
// those handlers posted in turn.
inline bool playerRoundTrip(const QList<MpvWidget *> &players, int timeoutMs = 10000)
{
    static quint64 nextId = 0x7e57000000000000ull;
    const quint64 id = ++nextId;
    int pending = 0;
    QList<QMetaObject::Connection> links;
    for (MpvWidget *player : players) {
        links << QObject::connect(player, &MpvWidget::commandReplied, player,
                                  [id, &pending](quint64 replyId, int) {
                                      if (replyId == id)
                                          --pending;
                                  });
        if (player->commandAsync(QVariantList{QStringLiteral("ignore")}, id))
            ++pending;
    }
    const bool replied = QTest::qWaitFor([&pending] { return pending <= 0; }, timeoutMs);
    for (const QMetaObject::Connection &link : qAsConst(links))
        QObject::disconnect(link);
    return replied && guiRoundTrip(timeoutMs) && guiRoundTrip(timeoutMs);
}
