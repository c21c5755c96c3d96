#include "AsyncTest.h"
#include "TaskHandle.h"

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
                lastSleepCompleted = co_await self.sleep(1h);
                ++passes;
            }
        });
        QVERIFY(!handle->isFinished());
        handle->cancel();
        QVERIFY(waitUntil([&] { return handle->isFinished(); }, 2s));
        QCOMPARE(passes, 1);
        QVERIFY(!lastSleepCompleted);

        // Once cancelled, a sleep does not even begin.
        lastSleepCompleted = true;
        handle = TaskHandle::start([&](TaskHandle& self) -> QCoro::Task<void> {
            self.cancel();
            lastSleepCompleted = co_await self.sleep(1h);
        });
        QVERIFY(handle->isFinished());
        QVERIFY(!lastSleepCompleted);
    }

    // A body that ends by itself is not cancelled and keeps its handle until then, with no
    // outside reference left; one that throws brings nothing down.
    void aBodyThatEndsByItself() {
        int completed = 0;
        bool cancelled = true;
        std::weak_ptr<TaskHandle> weak = TaskHandle::start([&](TaskHandle& self) -> QCoro::Task<void> {
            completed += co_await self.sleep(20ms);
            completed += co_await self.sleep(1ms);
            cancelled = self.isCancelled();
        });
        QVERIFY(!weak.expired());
        QVERIFY(waitUntil([&] { return completed == 2 && weak.expired(); }, 2s));
        QVERIFY(!cancelled);

        auto throwing = TaskHandle::start([](TaskHandle& self) -> QCoro::Task<void> {
            co_await self.sleep(1ms);
            throw std::runtime_error("lost");
        });
        QVERIFY(waitUntil([&] { return throwing->isFinished(); }, 2s));
    }
};

QTEST_GUILESS_MAIN(TestTaskHandle)
#include "tst_TaskHandle.moc"
