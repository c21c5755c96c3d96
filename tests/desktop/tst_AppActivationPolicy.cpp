#include "AppActivationPolicy.h"

#include <QTest>

using namespace quelvio;

namespace {

class FakeActivationHost : public ActivationHost {
public:
    ActivationPolicy activationPolicy() const override { return policy; }
    void setActivationPolicy(ActivationPolicy p) override {
        policy = p;
        ++setCalls;
    }
    void activate() override { ++activations; }

    ActivationPolicy policy = ActivationPolicy::accessory;
    int setCalls = 0;
    int activations = 0;
};

} // namespace

class TestAppActivationPolicy : public QObject {
    Q_OBJECT

private slots:
    void emptyReasonsStayAccessoryWithoutActivation() {
        FakeActivationHost host;
        AppActivationPolicy policy;
        policy.setHost(&host);
        policy.apply();
        QCOMPARE(host.policy, ActivationPolicy::accessory);
        QCOMPARE(host.setCalls, 0);
        QCOMPARE(host.activations, 0);
    }

    void aReasonMakesItRegularAndActivates() {
        FakeActivationHost host;
        AppActivationPolicy policy;
        policy.setHost(&host);
        policy.insert(ActivationReason::main);
        policy.apply();
        QCOMPARE(host.policy, ActivationPolicy::regular);
        QCOMPARE(host.setCalls, 1);
        QCOMPARE(host.activations, 1);
    }

    void matchingPolicyIsNotSetAgainButStillActivates() {
        FakeActivationHost host;
        host.policy = ActivationPolicy::regular;
        AppActivationPolicy policy;
        policy.setHost(&host);
        policy.insert(ActivationReason::dropdown);
        policy.apply();
        policy.apply();
        QCOMPARE(host.setCalls, 0);
        QCOMPARE(host.activations, 2);
    }

    void lastReasonGoneReturnsToAccessory() {
        FakeActivationHost host;
        AppActivationPolicy policy;
        policy.setHost(&host);
        policy.insert(ActivationReason::main);
        policy.insert(ActivationReason::dropdown);
        policy.insert(ActivationReason::dropdown);
        QCOMPARE(policy.reasons().size(), 2);
        policy.apply();

        policy.remove(ActivationReason::main);
        policy.apply();
        QCOMPARE(host.policy, ActivationPolicy::regular);
        QCOMPARE(host.activations, 2);

        policy.remove(ActivationReason::main); // absent: no change
        policy.remove(ActivationReason::dropdown);
        policy.apply();
        QCOMPARE(host.policy, ActivationPolicy::accessory);
        QCOMPARE(host.setCalls, 2);
        QCOMPARE(host.activations, 2);
    }

    void withoutHostOnlyTheReasonsChange() {
        AppActivationPolicy policy;
        policy.insert(ActivationReason::main);
        policy.apply();
        QCOMPARE(policy.targetPolicy(), ActivationPolicy::regular);
        QCOMPARE(ActivationReason::main, QStringLiteral("main"));
        QCOMPARE(ActivationReason::dropdown, QStringLiteral("dropdown"));
    }
};

QTEST_MAIN(TestAppActivationPolicy)
#include "tst_AppActivationPolicy.moc"
