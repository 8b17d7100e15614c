#include "GLBaseClasses.h"
#include "Raises.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using ::testing::ElementsAre;

namespace {

// Records who told it of a change, then passes the news on as the base does.
class TRecordingComponent : public TGLUpdateAbleComponent {
public:
    using TGLUpdateAbleComponent::TGLUpdateAbleComponent;
    void NotifyChange(TObject* Sender) override
    {
        senders.push_back(Sender);
        TGLUpdateAbleComponent::NotifyChange(Sender);
    }
    std::vector<TObject*> senders;
};

struct EventLog {
    std::vector<TObject*> senders;
    TNotifyEvent Handler()
    {
        return [this](TObject* Sender) { senders.push_back(Sender); };
    }
};

} // namespace

TEST(GLUpdateAbleObjectTest, ChangeClimbsTheOwnerChainWithEachLinkAsSender)
{
    TRecordingComponent root(nullptr);
    auto* middle = new TRecordingComponent(&root); // freed by root
    TGLUpdateAbleObject owner(middle);
    TGLUpdateAbleObject child(&owner);
    EventLog ownerEvents, childEvents;
    owner.OnNotifyChange = ownerEvents.Handler();
    child.OnNotifyChange = childEvents.Handler();

    child.NotifyChange(&root); // whatever the sender, the owner hears about the child
    EXPECT_THAT(childEvents.senders, ElementsAre(&child));
    EXPECT_THAT(ownerEvents.senders, ElementsAre(&owner));
    EXPECT_THAT(middle->senders, ElementsAre(&owner));
    EXPECT_THAT(root.senders, ElementsAre(middle));
    EXPECT_EQ(child.Owner(), &owner);
    EXPECT_EQ(child.GetOwner(), &owner);
}

TEST(GLUpdateAbleObjectTest, OwnersThatAreNotUpdateAbleHearNothing)
{
    TPersistent plain;
    TGLUpdateAbleObject object(&plain);
    EventLog events;
    object.OnNotifyChange = events.Handler();
    object.NotifyChange(nullptr);
    EXPECT_THAT(events.senders, ElementsAre(&object));

    TComponent plainOwner(nullptr);
    auto* component = new TRecordingComponent(&plainOwner);
    component->NotifyChange(component); // nothing above it to tell
    EXPECT_EQ(component->senders.size(), 1u);
}

TEST(GLUpdateAbleObjectTest, NestedUpdatesNotifyOnceAtTheOutermostEnd)
{
    TGLUpdateAbleObject object(nullptr);
    EventLog events;
    object.OnNotifyChange = events.Handler();
    object.BeginUpdate();
    object.BeginUpdate();
    EXPECT_EQ(object.Updating(), 2);
    object.NotifyChange(nullptr);
    object.NotifyChange(nullptr);
    object.EndUpdate();
    EXPECT_TRUE(events.senders.empty());
    object.EndUpdate();
    EXPECT_EQ(events.senders.size(), 1u);
    EXPECT_EQ(object.Updating(), 0);
}

TEST(GLUpdateAbleObjectTest, UnbalancedEndUpdateAssertsAndLeavesBatchingIntact)
{
    TGLUpdateAbleObject object(nullptr);
    EventLog events;
    object.OnNotifyChange = events.Handler();
    EXPECT_EQ(MessageOf<EAssertionFailed>([&] { object.EndUpdate(); }),
              "Assertion failure (VAVodad\\Source\\Basis\\GLBaseClasses, line 171)");
    EXPECT_EQ(object.Updating(), 0);
    EXPECT_TRUE(events.senders.empty());

    object.BeginUpdate();
    object.NotifyChange(nullptr);
    EXPECT_TRUE(events.senders.empty());
    object.EndUpdate();
    EXPECT_EQ(events.senders.size(), 1u);
}
