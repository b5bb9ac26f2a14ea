// The sample lists of the presenter, scheduler and sample pool: a circular doubly linked list with an
// anchor node (the anchor's next is the front, its previous the back), and the same list holding one
// COM reference per item.
#pragma once

#include <windows.h>
#include <unknwn.h>

#include <new>

namespace MediaFoundationSamples {

template <class T>
class List {
 public:
  struct Node {
    Node* prev = nullptr;
    Node* next = nullptr;
    T item{};
  };

  List() {
    anchor_.prev = &anchor_;
    anchor_.next = &anchor_;
  }
  List(const List&) = delete;
  List& operator=(const List&) = delete;

  // Virtual operations, in this order.
  // Puts `item` after `before`; E_POINTER for a null item or node, E_OUTOFMEMORY without memory.
  virtual HRESULT InsertAfter(T item, Node* before) {
    if (!before || !IsValidItem(item)) return E_POINTER;
    Node* node = new (std::nothrow) Node;
    if (!node) return E_OUTOFMEMORY;
    node->item = item;
    node->prev = before;
    node->next = before->next;
    before->next->prev = node;
    before->next = node;
    AddItemRef(item);
    ++count_;
    return S_OK;
  }
  // The item of `node`; a COM list hands out a reference of its own.
  virtual HRESULT GetItem(const Node* node, T* out) {
    if (!node || !out) return E_POINTER;
    if (node == &anchor_) return E_INVALIDARG;
    *out = node->item;
    AddItemRef(*out);
    return S_OK;
  }
  // Unlinks `node` and hands its item to the caller (with the list's reference, when `out` is given).
  virtual HRESULT RemoveItem(Node* node, T* out) {
    if (!node) return E_POINTER;
    if (node == &anchor_) return E_INVALIDARG;
    T item = node->item;
    node->prev->next = node->next;
    node->next->prev = node->prev;
    delete node;
    --count_;
    if (out) {
      *out = item;
    } else {
      ReleaseItem(item);
    }
    return S_OK;
  }
  virtual ~List() { ClearNodes(); }
  virtual void Clear() { ClearNodes(); }

  HRESULT InsertBack(T item) { return InsertAfter(item, anchor_.prev); }
  HRESULT InsertFront(T item) { return InsertAfter(item, &anchor_); }
  HRESULT RemoveFront(T* out) {
    if (IsEmpty()) return E_FAIL;
    return RemoveItem(anchor_.next, out);
  }
  HRESULT RemoveBack(T* out) {
    if (IsEmpty()) return E_FAIL;
    return RemoveItem(anchor_.prev, out);
  }
  HRESULT GetFront(T* out) {
    if (IsEmpty()) return E_FAIL;
    return GetItem(anchor_.next, out);
  }
  DWORD GetCount() const { return count_; }
  bool IsEmpty() const { return count_ == 0; }

  // Iteration: for (auto* n = list.Front(); n != list.End(); n = n->next).
  Node* Front() { return anchor_.next; }
  const Node* End() const { return &anchor_; }

 protected:
  virtual bool IsValidItem(const T&) const { return true; }
  virtual void AddItemRef(T&) {}
  virtual void ReleaseItem(T&) {}

 private:
  // Not virtual: the destructor must not reach the overrides of a derived list already destroyed.
  void ClearNodes() {
    Node* n = anchor_.next;
    while (n != &anchor_) {
      Node* next = n->next;
      ReleaseItem(n->item);
      delete n;
      n = next;
    }
    anchor_.prev = &anchor_;
    anchor_.next = &anchor_;
    count_ = 0;
  }

  Node anchor_;
  DWORD count_ = 0;
};

// A list of COM pointers that holds one reference per item: insert adds one, get hands one out,
// remove hands the list's out (or drops it), clear releases all.
template <class T>
class ComPtrList : public List<T*> {
 public:
  ComPtrList() = default;
  ~ComPtrList() override { Clear(); }
  void Clear() override { List<T*>::Clear(); }

 protected:
  bool IsValidItem(T* const& item) const override { return item != nullptr; }
  void AddItemRef(T*& item) override {
    if (item) item->AddRef();
  }
  void ReleaseItem(T*& item) override {
    if (item) item->Release();
  }
};

}  // namespace MediaFoundationSamples
