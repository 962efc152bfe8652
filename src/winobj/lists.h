// Window-object layer: the growable list of pointer-sized items.
#pragma once

#include "lifetime.h"

// Destroying a list frees only its array, never the items.
class TWinList : public TWinObject {
 public:
  void Init() override;
  void Destroy() override;

  void Add(void* item);
  void Insert(int index, void* item);
  void Delete(int index, int count = 1);
  int IndexOf(void* item) const;
  void Remove(void* item);
  void* Get(int index) const;
  void Clear();

  void** Items = nullptr;
  int Count = 0;
  int Capacity = 0;
  int AddBy = 4;
};
