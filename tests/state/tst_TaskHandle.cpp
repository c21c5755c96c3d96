#include "AsyncTest.h"
#include "TaskHandle.h"

#include <QElapsedTimer>
#include <QTest>

using namespace quelvio;
using namespace quelvio::test;
using namespace std::chrono_literals;

class TestTaskHandle : public QObject {
    Q_OBJECT

private slots:
    void cancelWakesASleepAtOnce() {
        int passes = 0;
        bool lastSleepCompleted = true;
        auto handle = TaskHandle::start([&](TaskHandle& self) -> QCoro::Task<void> {
            while (!self.isCancelled()) {
                lastSleepCompleted = co_await self.sleep(30s);
                ++passes;
            }
        });
        QTest::qWait(20);
        QVERIFY(!handle->isFinished());
        QElapsedTimer clock;
        clock.start();
        handle->cancel();
        QVERIFY(waitUntil([&] { return handle->isFinished(); }, 2s));
        QVERIFY(clock.elapsed() < 1000);
        QCOMPARE(passes, 1);
        QVERIFY(!lastSleepCompleted);
        QVERIFY(handle->isCancelled());
    }

    void shortSleepsCompleteAndRepeat() {
        int passes = 0;
        auto handle = TaskHandle::start([&](TaskHandle& self) -> QCoro::Task<void> {
            while (!self.isCancelled() && co_await self.sleep(5ms))
                ++passes;
        });
        QVERIFY(waitUntil([&] { return passes >= 3; }, 2s));
        handle->cancel();
        QVERIFY(waitUntil([&] { return handle->isFinished(); }, 2s));
    }

    void sleepingAfterCancelReturnsAtOnce() {
        bool completed = true;
        auto handle = TaskHandle::start([&](TaskHandle& self) -> QCoro::Task<void> {
            self.cancel();
            completed = co_await self.sleep(1h);
        });
        QVERIFY(handle->isFinished());
        QVERIFY(!completed);
    }

    void aBodyThatEndsByItselfIsFinishedNotCancelled() {
        auto handle =
            TaskHandle::start([](TaskHandle& self) -> QCoro::Task<void> { co_await self.sleep(1ms); });
        QVERIFY(waitUntil([&] { return handle->isFinished(); }, 2s));
        QVERIFY(!handle->isCancelled());
        handle->cancel(); // harmless once finished
        QVERIFY(handle->isCancelled());
    }

    void theRunningBodyKeepsItsHandle() {
        bool ended = false;
        std::weak_ptr<TaskHandle> weak;
        {
            auto handle = TaskHandle::start([&](TaskHandle& self) -> QCoro::Task<void> {
                co_await self.sleep(20ms);
                ended = true;
            });
            weak = handle;
        }
        QVERIFY(!weak.expired());
        QVERIFY(waitUntil([&] { return ended; }, 2s));
        QVERIFY(waitUntil([&] { return weak.expired(); }, 2s));
    }

    void anExceptionEndsTheTaskQuietly() {
        auto handle = TaskHandle::start([](TaskHandle& self) -> QCoro::Task<void> {
            co_await self.sleep(1ms);
            throw std::runtime_error("lost");
        });
        QVERIFY(waitUntil([&] { return handle->isFinished(); }, 2s));
    }
};

QTEST_GUILESS_MAIN(TestTaskHandle)
#include "tst_TaskHandle.moc"
