// The root object class of the Windows programs: run-time class information,
// so that code holding a base pointer can ask what kind of object it has.
#pragma once

// Describes one class: its name and its base (nullptr for CObject). Every
// instance is a static constant, compared by address.
struct CRuntimeClass {
  const char* className;
  const CRuntimeClass* baseClass;

  // True when this class is `other` or derives from it.
  bool IsDerivedFrom(const CRuntimeClass* other) const {
    for (const CRuntimeClass* c = this; c; c = c->baseClass)
      if (c == other) return true;
    return false;
  }
};

class CObject {
 public:
  static constexpr CRuntimeClass runtimeClass{"CObject", nullptr};

  // Each derived class that wants its own run-time class declares a static
  // `runtimeClass` naming its base's, and returns it here.
  virtual const CRuntimeClass* GetRuntimeClass() const { return &runtimeClass; }
  virtual ~CObject() = default;

  bool IsKindOf(const CRuntimeClass* someClass) const { return GetRuntimeClass()->IsDerivedFrom(someClass); }
};
