#include "lifetime.h"

#include "lists.h"

void TWinObject::RunFinalizers() {
  if (OnDestroy.Assigned()) {
    TEvent<TOnNotify> event = OnDestroy;
    OnDestroy.Clear();
    event.Code(event.Data, this);
  }
  // Taken out of the field first, so a re-entered destroy finds nothing left to run.
  TWinList* list = AutoFreeList;
  AutoFreeList = nullptr;
  if (!list) return;
  for (int i = 0; i + 1 < list->Count; i += 2) {
    TFreeProc proc = reinterpret_cast<TFreeProc>(list->Items[i]);
    proc(list->Items[i + 1]);
  }
  Free(list);
}

void TWinObject::Destroy() {
  RunFinalizers();
  delete this;
}

// A finalizer that references the dying object again must not destroy it a second time.
static void DestroyOnce(TWinObject* object) {
  if (object->Finalizing) return;
  object->Finalizing = true;
  object->Destroy();
}

void AddRef(TWinObject* object) { object->RefCount += 2; }

void Release(TWinObject* object) {
  object->RefCount -= 2;
  if (object->RefCount < 0 && (object->RefCount & 1)) DestroyOnce(object);
}

void Free(TWinObject* object) {
  if (!object) return;
  if (object->RefCount == 0) {
    // Negative and odd while destroying: handlers skip it and a second Free does nothing.
    object->RefCount = -1;
    DestroyOnce(object);
    return;
  }
  if (object->RefCount & 1) return;
  object->RefCount -= 1;
}

static void FreeObjectProc(void* data) { Free(static_cast<TWinObject*>(data)); }

void AddProcToAutoFree(TWinObject* object, TFreeProc proc, void* data) {
  if (!object->AutoFreeList) object->AutoFreeList = NewObject<TWinList>();
  // Newest first: the pair goes to the front, data then procedure.
  object->AutoFreeList->Insert(0, data);
  object->AutoFreeList->Insert(0, reinterpret_cast<void*>(proc));
}

void AddToAutoFree(TWinObject* object, TWinObject* other) {
  AddProcToAutoFree(object, FreeObjectProc, other);
}
