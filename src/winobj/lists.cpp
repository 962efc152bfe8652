#include "lists.h"

#include <string.h>

void TWinList::Init() { AddBy = 4; }

void TWinList::Destroy() {
  Clear();
  TWinObject::Destroy();
}

void TWinList::Insert(int index, void* item) {
  if (index < 0 || index > Count) return;
  if (Count == Capacity) {
    if (AddBy <= 0) AddBy = 4;
    int capacity = Capacity + AddBy;
    void** items = new void*[capacity];
    if (Count) memcpy(items, Items, Count * sizeof(void*));
    delete[] Items;
    Items = items;
    Capacity = capacity;
  }
  memmove(Items + index + 1, Items + index, (Count - index) * sizeof(void*));
  Items[index] = item;
  Count++;
}

void TWinList::Add(void* item) { Insert(Count, item); }

void TWinList::Delete(int index, int count) {
  if (index < 0 || index >= Count || count <= 0) return;
  if (count > Count - index) count = Count - index;
  memmove(Items + index, Items + index + count, (Count - index - count) * sizeof(void*));
  Count -= count;
}

int TWinList::IndexOf(void* item) const {
  for (int i = 0; i < Count; i++)
    if (Items[i] == item) return i;
  return -1;
}

void TWinList::Remove(void* item) {
  int i = IndexOf(item);
  if (i >= 0) Delete(i);
}

void* TWinList::Get(int index) const {
  if (index < 0 || index >= Count) return nullptr;
  return Items[index];
}

void TWinList::Clear() {
  delete[] Items;
  Items = nullptr;
  Count = 0;
  Capacity = 0;
}
