// Picking: the list of objects found under a screen rectangle, and the technique that finds them with
// OpenGL's selection mode. While a pick pass renders the scene, each scene object makes itself the
// technique's current object, which gives it the next selection name; after the pass the hit records of the
// selection buffer are turned back into objects.
#pragma once

#include "GLPersistentClasses.h"

#include <cstdint>
#include <vector>

class TGLUpdateAbleComponent; // GLBaseClasses.h

enum TPickSortType { psDefault, psName, psMinDepth, psMaxDepth };

// The selection names pushed below an object while it was drawn.
using TPickSubObjects = std::vector<uint32_t>;

// One hit: the object, its sub-object names, and the nearest and farthest depth of the hit in [0, 1].
class TPickRecord : public TObject {
public:
    TGLUpdateAbleComponent* AObject = nullptr;
    TPickSubObjects SubObjects;
    float ZMin = 0;
    float ZMax = 0;
};

// How every pick list sorts: each new list sets it to its own sort type, so the newest list decides.
extern TPickSortType vPickSortType;

// The hits of a pick; the list owns its records.
class TGLPickList : public TPersistentObjectList {
public:
    explicit TGLPickList(TPickSortType aSortType);
    ~TGLPickList() override;

    // Appends a record with a copy of subObj, then sorts the whole list unless vPickSortType is psDefault.
    void AddHit(TGLUpdateAbleComponent* obj, const TPickSubObjects& subObj, float zMin, float zMax);
    // Frees every record.
    void Clear() override;
    // The first hit on AObject; -1 for nil or no hit.
    int32_t FindObject(TGLUpdateAbleComponent* AObject) const;

    TGLUpdateAbleComponent* Hit(int32_t index) const { return Record(index)->AObject; }
    float NearDistance(int32_t index) const { return Record(index)->ZMin; }
    float FarDistance(int32_t index) const { return Record(index)->ZMax; }
    TPickSubObjects SubObjects(int32_t index) const { return Record(index)->SubObjects; }

private:
    TPickRecord* Record(int32_t index) const { return static_cast<TPickRecord*>(Items(index)); }
};

// A way of finding the objects under a pick rectangle.
class TGLBaseSelectTechnique : public TObject {
public:
    // The object of the last name handed out; nil before the first.
    virtual TGLUpdateAbleComponent* CurrentObject() const = 0;
    // Gives Value the next selection name.
    virtual void SetCurrentObject(TGLUpdateAbleComponent* Value) = 0;
    virtual int32_t Hits() const = 0;
    virtual void SetHits(int32_t Value) = 0;
    int32_t ObjectCountGuess() const { return FObjectCountGuess; }
    virtual void SetObjectCountGuess(int32_t Value) = 0;
    // Opens a pick pass.
    virtual void Start() = 0;
    // Closes it; false when the hits did not fit and the pass must be drawn again.
    virtual bool Stop() = 0;
    virtual void PushObject(uint32_t AName) = 0;
    virtual void PopObject() = 0;
    virtual void LoadObject(uint32_t AName) = 0;
    // Fills AList (made with psDefault when nil, else cleared) with the hits of the last pass.
    virtual void FillPickingList(TGLPickList*& AList) = 0;

protected:
    std::vector<TGLUpdateAbleComponent*> FObjectStack; // selection name i stands for element i
    uint32_t FNameStack[256] = {};
    uint32_t FCurrentName = 0; // the next name to hand out
    int32_t FStackPosition = 0;
    int32_t FObjectCountGuess = 0;
    int32_t FHits = 0;
};

// Picking with GL_SELECT render mode.
class TGLSelectRenderModeTechnique : public TGLBaseSelectTechnique {
public:
    // The current entry points have OpenGL 1.1.
    static bool IsSupported();

    TGLUpdateAbleComponent* CurrentObject() const override;
    void SetCurrentObject(TGLUpdateAbleComponent* Value) override;
    int32_t Hits() const override { return FHits; }
    void SetHits(int32_t Value) override { FHits = Value; }
    // At least 8.
    void SetObjectCountGuess(int32_t Value) override;
    // A selection buffer of 4 names per guessed object.
    void Start() override;
    // On an overflow the guess doubles, so a crowded rectangle costs a few passes rather than one per hit.
    bool Stop() override;
    // Name stacks below objects are not used by this technique: these raise the abstract-method error.
    void PushObject(uint32_t AName) override;
    void PopObject() override;
    void LoadObject(uint32_t AName) override;
    // Records that reach past the hits or the buffer end the walk; names without an object are skipped.
    void FillPickingList(TGLPickList*& AList) override;

    // The selection buffer: the pick pass writes into it, FillPickingList reads it.
    std::vector<uint32_t>& SelectionBuffer() { return FBuffer; }

private:
    // The object array back to 512 empty elements.
    void ResetObjects();

    std::vector<uint32_t> FBuffer;
};
