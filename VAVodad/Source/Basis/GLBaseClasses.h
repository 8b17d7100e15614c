// Change notification, the root of the engine's classes: an update-able object tells its owner (and its own
// event) when it changes, holding the news back inside BeginUpdate/EndUpdate; update-able components tell
// their owning component; cadence-able components take the cadencer's progress steps.
#pragma once

#include "Components.h"
#include "Types.h"

#include <functional>

// The cadencer's progress step: seconds since the previous step and the cadencer's current time in seconds.
struct TProgressTimes {
    double deltaTime;
    double newTime;
};

using TGLProgressEvent = std::function<void(TObject* Sender, double deltaTime, double newTime)>;

class IGLNotifyAble {
public:
    virtual void NotifyChange(TObject* Sender) = 0;

protected:
    ~IGLNotifyAble() = default;
};

class IGLProgessAble {
public:
    virtual void DoProgress(const TProgressTimes& progressTime) = 0;

protected:
    ~IGLProgessAble() = default;
};

// Persistent objects that answer interfaces (by dynamic_cast); their lifetime is always owned, never counted.
class TGLInterfacedPersistent : public TPersistent {};

class TGLUpdateAbleObject : public TGLInterfacedPersistent, public IGLNotifyAble {
public:
    // AOwner (an object or component, not owned by this one) hears of every change.
    explicit TGLUpdateAbleObject(TPersistent* AOwner);

    // Nothing while updating; otherwise tells an update-able owner (object or component) that this object
    // changed, then OnNotifyChange. The owner always hears about this object, whatever Sender was.
    void NotifyChange(TObject* Sender) override;
    virtual void Notification(TObject* Sender, TOperation Operation);

    TPersistent* GetOwner() const override { return FOwner; }
    TPersistent* Owner() const { return FOwner; }
    int32_t Updating() const { return FUpdating; }
    void BeginUpdate();
    // Ending the outermost update notifies once. An EndUpdate without its BeginUpdate puts the counter back
    // to 0 and raises an assertion failure.
    void EndUpdate();

    TNotifyEvent OnNotifyChange;

private:
    TPersistent* FOwner;
    int32_t FUpdating = 0;
};

class TGLComponent : public TComponent {
public:
    using TComponent::TComponent;
};

// A component the cadencer drives: DoProgress on every progress step.
class TGLCadenceAbleComponent : public TGLComponent, public IGLProgessAble {
public:
    using TGLComponent::TGLComponent;
    void DoProgress(const TProgressTimes& /*progressTime*/) override {}
};

class TGLUpdateAbleComponent : public TGLCadenceAbleComponent, public IGLNotifyAble {
public:
    using TGLCadenceAbleComponent::TGLCadenceAbleComponent;
    // Tells an update-able owning component that this one changed.
    void NotifyChange(TObject* Sender) override;
};
