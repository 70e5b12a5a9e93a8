#pragma once
// A list of listeners that tolerates changes while it is being notified: a
// listener removed during a notification is skipped, never dereferenced.

#include <algorithm>
#include <vector>

namespace confcred::dataset {

template <class T>
class ObserverList {
  public:
    void add(T* item) {
        if (item != nullptr && std::find(items_.begin(), items_.end(), item) == items_.end()) {
            items_.push_back(item);
        }
    }

    void remove(T* item) {
        auto it = std::find(items_.begin(), items_.end(), item);
        if (it == items_.end())
            return;
        if (depth_ > 0) {
            *it = nullptr;  // compacted when the outermost notification ends
            dirty_ = true;
        } else {
            items_.erase(it);
        }
    }

    bool empty() const {
        return std::none_of(items_.begin(), items_.end(), [](T* p) { return p != nullptr; });
    }

    template <class F>
    void forEach(F&& f) {
        struct Depth {
            ObserverList& list;
            explicit Depth(ObserverList& l) : list(l) { ++list.depth_; }
            ~Depth() {
                if (--list.depth_ == 0 && list.dirty_) {
                    std::erase(list.items_, nullptr);
                    list.dirty_ = false;
                }
            }
        } depth(*this);
        // Indexed: a listener added meanwhile may grow the vector.
        for (size_t i = 0; i < items_.size(); ++i) {
            if (T* item = items_[i])
                f(*item);
        }
    }

  private:
    std::vector<T*> items_;
    int depth_ = 0;
    bool dirty_ = false;
};

}  // namespace confcred::dataset
