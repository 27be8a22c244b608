// The library's chained hash map: prime bucket counts, buckets allocated on the
// first insertion, new nodes at the head of their chain, growth to the next
// prime once count >= 0.8 x buckets. Iteration runs bucket by bucket, each
// chain from its head, so the order is part of the behaviour.
#pragma once

#include <cstdint>
#include <functional>
#include <new>

#include "primetable.h"

template <class Key, class Value, class Hash, class Equal = std::equal_to<Key>>
class TesHashMap {
    struct Node {
        uint32_t bucket;
        Key key;
        Value value;
        Node* next;
    };

public:
    // A position in the iteration order; valid until the map changes.
    class Cursor {
    public:
        bool valid() const { return node_ != nullptr; }
        const Key& key() const { return node_->key; }
        Value& value() const { return node_->value; }

    private:
        friend class TesHashMap;
        Node* node_ = nullptr;
    };

    explicit TesHashMap(uint32_t bucketCount) : bucketCount_(bucketCount) {}
    TesHashMap(const TesHashMap&) = delete;
    TesHashMap& operator=(const TesHashMap&) = delete;
    ~TesHashMap() { clear(); }

    int32_t count() const { return count_; }
    uint32_t bucketCount() const { return bucketCount_; }

    // Null when absent.
    Value* find(const Key& key) const {
        Node* node = findNode(key);
        return node != nullptr ? &node->value : nullptr;
    }

    // The slot of `key`, inserted value-initialised when absent. Null only when
    // memory for the node ran out.
    Value* findOrInsert(const Key& key) {
        if (Node* node = findNode(key)) return &node->value;
        if (buckets_ == nullptr && !allocateBuckets()) return nullptr;
        const uint32_t bucket = bucketOf(key, bucketCount_);
        Node* node = new (std::nothrow) Node{bucket, key, Value{}, buckets_[bucket]};
        if (node == nullptr) return nullptr;
        buckets_[bucket] = node;
        ++count_;
        if (static_cast<double>(count_) >= 0.8 * static_cast<double>(bucketCount_)) grow();
        return &node->value;
    }

    // True when `key` was present.
    bool remove(const Key& key) {
        if (buckets_ == nullptr) return false;
        for (Node** link = &buckets_[bucketOf(key, bucketCount_)]; *link != nullptr; link = &(*link)->next) {
            if (Equal{}((*link)->key, key)) {
                Node* node = *link;
                *link = node->next;
                delete node;
                --count_;
                return true;
            }
        }
        return false;
    }

    void clear() {
        if (buckets_ == nullptr) return;
        for (uint32_t b = 0; b < bucketCount_; ++b) {
            for (Node* node = buckets_[b]; node != nullptr;) {
                Node* next = node->next;
                delete node;
                node = next;
            }
        }
        delete[] buckets_;
        buckets_ = nullptr;
        count_ = 0;
    }

    Cursor first() const { return seek(0); }
    void next(Cursor& cursor) const {
        if (cursor.node_ == nullptr) return;
        if (cursor.node_->next != nullptr) {
            cursor.node_ = cursor.node_->next;
        } else {
            cursor = seek(cursor.node_->bucket + 1);
        }
    }

private:
    static uint32_t bucketOf(const Key& key, uint32_t bucketCount) {
        return static_cast<uint32_t>(Hash{}(key)) % bucketCount;
    }

    Node* findNode(const Key& key) const {
        if (buckets_ == nullptr) return nullptr;
        for (Node* node = buckets_[bucketOf(key, bucketCount_)]; node != nullptr; node = node->next) {
            if (Equal{}(node->key, key)) return node;
        }
        return nullptr;
    }

    Cursor seek(uint32_t fromBucket) const {
        Cursor cursor;
        if (buckets_ == nullptr) return cursor;
        for (uint32_t b = fromBucket; b < bucketCount_; ++b) {
            if (buckets_[b] != nullptr) {
                cursor.node_ = buckets_[b];
                break;
            }
        }
        return cursor;
    }

    bool allocateBuckets() {
        buckets_ = new (std::nothrow) Node*[bucketCount_]();
        return buckets_ != nullptr;
    }

    // Rehashes bucket by bucket, each chain from its head, every node going to
    // the head of its new chain. Stays at the current size when memory is short.
    void grow() {
        const uint32_t newCount = tesNextPrime(bucketCount_);
        Node** newBuckets = new (std::nothrow) Node*[newCount]();
        if (newBuckets == nullptr) return;
        for (uint32_t b = 0; b < bucketCount_; ++b) {
            for (Node* node = buckets_[b]; node != nullptr;) {
                Node* next = node->next;
                node->bucket = bucketOf(node->key, newCount);
                node->next = newBuckets[node->bucket];
                newBuckets[node->bucket] = node;
                node = next;
            }
        }
        delete[] buckets_;
        buckets_ = newBuckets;
        bucketCount_ = newCount;
    }

    Node** buckets_ = nullptr;
    uint32_t bucketCount_;
    int32_t count_ = 0;
};
