#include "Components.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cxxabi.h>
#include <memory>
#include <mutex>
#include <typeindex>
#include <unordered_map>

namespace {

std::string Demangle(const char* mangled)
{
    int status = 0;
    std::unique_ptr<char, void (*)(void*)> text(abi::__cxa_demangle(mangled, nullptr, nullptr, &status), std::free);
    std::string name = status == 0 && text ? text.get() : mangled;
    // Drop the qualifiers in front of the name (namespaces, enclosing functions), not those inside template
    // arguments.
    const size_t cut = name.rfind("::", name.find('<'));
    if (cut != std::string::npos) name.erase(0, cut + 2);
    return name;
}

std::unordered_map<std::string, TPersistentClass>& ClassRegistry()
{
    static std::unordered_map<std::string, TPersistentClass> registry; // upper-case name -> class
    return registry;
}

} // namespace

const std::string& ClassNameOf(const std::type_info& type)
{
    static std::mutex lock;
    static std::unordered_map<std::type_index, std::string> names;
    std::lock_guard<std::mutex> guard(lock);
    auto found = names.find(type);
    if (found == names.end()) found = names.emplace(type, Demangle(type.name())).first;
    return found->second;
}

void Free(TObject* obj)
{
    if (!obj) return;
    if (auto* component = dynamic_cast<TComponent*>(obj)) component->Destroying();
    obj->BeforeDestruction();
    delete obj;
}

// ---- TPersistent

void TPersistent::Assign(TPersistent* Source)
{
    if (!Source) AssignError(nullptr);
    Source->AssignTo(this);
}

void TPersistent::AssignTo(TPersistent* Dest) { Dest->AssignError(this); }

void TPersistent::AssignError(TPersistent* Source)
{
    const std::string sourceName = Source ? Source->ClassName() : std::string("nil");
    throw EConvertError("Cannot assign a " + sourceName + " to a " + ClassName());
}

std::string TPersistent::GetNamePath() const
{
    std::string path = ClassName();
    if (const TPersistent* owner = GetOwner()) {
        const std::string ownerPath = owner->GetNamePath();
        if (!ownerPath.empty()) path = ownerPath + "." + path;
    }
    return path;
}

void TPersistent::DefineProperties(TFiler& /*Filer*/) {}

// ---- lists

void RaiseListError(const char* what, int value)
{
    char text[96];
    std::snprintf(text, sizeof text, what, value);
    throw EListError(text);
}

// ---- TComponent

TComponent::TComponent(TComponent* AOwner)
{
    if (AOwner) AOwner->InsertComponent(this);
}

TComponent::~TComponent() { Teardown(); }

void TComponent::BeforeDestruction() { Teardown(); }

void TComponent::Teardown()
{
    if (FTornDown) return;
    FTornDown = true;
    Destroying();
    RemoveFreeNotifications();
    DestroyComponents();
    if (FOwner) FOwner->RemoveComponent(this);
}

void TComponent::Destroying()
{
    if (FComponentState & csDestroying) return;
    FComponentState |= csDestroying;
    for (TComponent* component : FComponents)
        if (component) component->Destroying();
}

void TComponent::DestroyComponents()
{
    // A freed component may take others of this list with it: the end is looked at again each time.
    while (true) {
        while (!FComponents.empty() && !FComponents.back()) {
            FComponents.pop_back();
            --FComponentHoles;
        }
        if (FComponents.empty()) break;
        TComponent* component = FComponents.back();
        // Only components that take part in free notification tell the rest of the tree they leave.
        if (component->FComponentState & csFreeNotification)
            RemoveComponent(component);
        else
            Detach(component);
        Free(component);
    }
}

void TComponent::RemoveFreeNotifications()
{
    while (!FFreeNotifies.empty()) {
        TComponent* other = FFreeNotifies.back();
        FFreeNotifies.pop_back();
        // Unlinked here, not left to the other's Notification, so an override that forgets to call the
        // base cannot keep a dangling entry.
        other->RemoveNotification(this);
        other->Notification(this, opRemove);
    }
}

TComponent* TComponent::Components(int Index) const
{
    if (Index < 0 || Index >= ComponentCount()) RaiseListError("List index out of bounds (%d)", Index);
    return FComponents[Index];
}

void TComponent::InsertComponent(TComponent* AComponent)
{
    if (!AComponent || AComponent->FOwner == this) return;
    if (AComponent->FOwner) AComponent->FOwner->RemoveComponent(AComponent);
    AComponent->FOwnerIndex = static_cast<int>(FComponents.size());
    FComponents.push_back(AComponent);
    AComponent->FOwner = this;
    if (AComponent->FListening) {
        FListeners.push_back(AComponent);
        Listen();
    }
    if (FComponentState & csDesigning) AComponent->SetDesigning(true);
    Notification(AComponent, opInsert);
}

void TComponent::RemoveComponent(TComponent* AComponent)
{
    if (!AComponent || AComponent->FOwner != this) return;
    Detach(AComponent);
    Notification(AComponent, opRemove);
}

namespace {

// Components mostly leave the end of a list (the owner frees the last first): searched from the back.
void EraseFromBack(std::vector<TComponent*>& list, TComponent* AComponent)
{
    list.erase(std::find(list.rbegin(), list.rend(), AComponent).base() - 1);
}

} // namespace

void TComponent::Detach(TComponent* AComponent)
{
    const auto index = static_cast<size_t>(AComponent->FOwnerIndex);
    if (index + 1 == FComponents.size()) {
        FComponents.pop_back();
    } else {
        FComponents[index] = nullptr;
        ++FComponentHoles;
        if (2 * FComponentHoles > static_cast<int>(FComponents.size())) PackComponents();
    }
    if (AComponent->FListening) EraseFromBack(FListeners, AComponent);
    AComponent->FOwner = nullptr;
    AComponent->FOwnerIndex = -1;
}

void TComponent::PackComponents() const
{
    if (FComponentHoles == 0) return;
    std::erase(FComponents, nullptr);
    FComponentHoles = 0;
    for (size_t i = 0; i < FComponents.size(); ++i) FComponents[i]->FOwnerIndex = static_cast<int>(i);
}

// This component, or one it owns, now holds references: the owner's notifications must reach it, and the
// owner's owner's must reach the owner.
void TComponent::Listen()
{
    for (TComponent* component = this; component && !component->FListening; component = component->FOwner) {
        component->FListening = true;
        if (component->FOwner) component->FOwner->FListeners.push_back(component);
    }
}

void TComponent::SetSubComponent(bool IsSubComponent)
{
    if (IsSubComponent)
        FComponentStyle |= csSubComponent;
    else
        FComponentStyle &= ~csSubComponent;
}

void TComponent::SetDesigning(bool Value)
{
    if (Value)
        FComponentState |= csDesigning;
    else
        FComponentState &= ~csDesigning;
    for (TComponent* component : FComponents)
        if (component) component->SetDesigning(Value);
}

void TComponent::FreeNotification(TComponent* AComponent)
{
    if (!AComponent || AComponent == this) return;
    FComponentState |= csFreeNotification;
    Listen();
    if (std::find(FFreeNotifies.begin(), FFreeNotifies.end(), AComponent) != FFreeNotifies.end()) return;
    FFreeNotifies.push_back(AComponent);
    AComponent->FreeNotification(this);
}

void TComponent::RemoveFreeNotification(TComponent* AComponent)
{
    if (!AComponent) return;
    RemoveNotification(AComponent);
    AComponent->RemoveNotification(this);
}

void TComponent::RemoveNotification(TComponent* AComponent)
{
    auto found = std::find(FFreeNotifies.begin(), FFreeNotifies.end(), AComponent);
    if (found != FFreeNotifies.end()) FFreeNotifies.erase(found);
}

void TComponent::Notification(TComponent* AComponent, TOperation Operation)
{
    if (Operation == opRemove && AComponent) RemoveFreeNotification(AComponent);
    // The last first; a notified component may free others, so the index is clamped each time.
    const auto last = [this] { return static_cast<int>(FListeners.size()) - 1; };
    for (int i = last(); i >= 0; i = std::min(i - 1, last())) FListeners[i]->Notification(AComponent, Operation);
}

void TComponent::Loaded() { FComponentState &= ~csLoading; }

void TComponent::GetChildren(const TGetChildProc& /*Proc*/, TComponent* /*Root*/) {}

void TComponent::SetParentComponent(TComponent* /*Value*/) {}

// ---- class registry

void RegisterClass(const TPersistentClass& AClass)
{
    auto& registry = ClassRegistry();
    const std::string key = UpperCase(AClass.ClassName());
    auto found = registry.find(key);
    if (found == registry.end()) {
        registry.emplace(key, AClass);
        return;
    }
    if (found->second.Type() != AClass.Type())
        throw EStreamError("A class named " + AClass.ClassName() + " already exists");
}

const TPersistentClass* GetClass(const std::string& ClassName)
{
    auto& registry = ClassRegistry();
    auto found = registry.find(UpperCase(ClassName));
    return found == registry.end() ? nullptr : &found->second;
}

const TPersistentClass& FindClass(const std::string& ClassName)
{
    const TPersistentClass* found = GetClass(ClassName);
    if (!found) throw EClassNotFound("Class " + ClassName + " not found");
    return *found;
}
