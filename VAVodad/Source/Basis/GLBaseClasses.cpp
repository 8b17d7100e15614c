#include "GLBaseClasses.h"

TGLUpdateAbleObject::TGLUpdateAbleObject(TPersistent* AOwner) : FOwner(AOwner) {}

void TGLUpdateAbleObject::NotifyChange(TObject* /*Sender*/)
{
    if (FUpdating > 0) return;
    if (auto* object = dynamic_cast<TGLUpdateAbleObject*>(FOwner))
        object->NotifyChange(this);
    else if (auto* component = dynamic_cast<TGLUpdateAbleComponent*>(FOwner))
        component->NotifyChange(this);
    if (OnNotifyChange) OnNotifyChange(this);
}

void TGLUpdateAbleObject::Notification(TObject* /*Sender*/, TOperation /*Operation*/) {}

void TGLUpdateAbleObject::BeginUpdate()
{
    ++FUpdating;
}

void TGLUpdateAbleObject::EndUpdate()
{
    --FUpdating;
    if (FUpdating > 0) return;
    if (FUpdating < 0) {
        // Left negative, the counter would let every later batch notify on each change.
        FUpdating = 0;
        Assert(false, "Assertion failure", "VAVodad\\Source\\Basis\\GLBaseClasses", 171);
    }
    NotifyChange(this);
}

void TGLUpdateAbleComponent::NotifyChange(TObject* /*Sender*/)
{
    if (auto* owner = dynamic_cast<TGLUpdateAbleComponent*>(Owner())) owner->NotifyChange(this);
}
