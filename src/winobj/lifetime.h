// Window-object layer: the base object, its reference count and its auto-free list.
#pragma once

class TWinObject;
class TWinList;

// An event is code plus the receiver it is bound to; assigned when Code is set.
template <typename Fn>
struct TEvent {
  Fn Code = nullptr;
  void* Data = nullptr;
  bool Assigned() const { return Code != nullptr; }
  void Clear() { Code = nullptr; Data = nullptr; }
};

using TOnNotify = void (*)(void* receiver, TWinObject* sender);
using TFreeProc = void (*)(void* data);

class TWinObject {
 public:
  virtual void Init() {}
  // Runs the finalizers and releases the object's memory.
  virtual void Destroy();

  int RefCount = 0;  // steps of 2; bit 0 = a free was requested while referenced
  TEvent<TOnNotify> OnDestroy;
  TWinList* AutoFreeList = nullptr;
  bool Finalizing = false;  // Free or Release has started Destroy

 protected:
  virtual ~TWinObject() = default;
  void RunFinalizers();
};

template <typename T>
T* NewObject() {
  T* object = new T();
  object->Init();
  return object;
}

void AddRef(TWinObject* object);
void Release(TWinObject* object);
void Free(TWinObject* object);
void AddToAutoFree(TWinObject* object, TWinObject* other);
void AddProcToAutoFree(TWinObject* object, TFreeProc proc, void* data);
