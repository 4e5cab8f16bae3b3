// Lets an object that calls out to handlers tell whether a handler destroyed it. The
// object owns a DestructionWatch; code about to run a handler opens a Frame on it and,
// once the handler has returned, touches the object only while the frame is Alive().
// Frames nest, as handlers may pump the loop and run further handlers.
#pragma once

namespace kasumido {

class DestructionWatch {
 public:
  class Frame {
   public:
    explicit Frame(DestructionWatch& watch) : watch_(watch), outer_(watch.top_) {
      watch.top_ = this;
    }
    ~Frame() {
      if (alive_) watch_.top_ = outer_;
    }
    Frame(const Frame&) = delete;
    Frame& operator=(const Frame&) = delete;

    bool Alive() const { return alive_; }

   private:
    friend class DestructionWatch;
    DestructionWatch& watch_;
    Frame* outer_;
    bool alive_ = true;
  };

  DestructionWatch() = default;
  ~DestructionWatch() {
    for (Frame* frame = top_; frame != nullptr; frame = frame->outer_) frame->alive_ = false;
  }
  DestructionWatch(const DestructionWatch&) = delete;
  DestructionWatch& operator=(const DestructionWatch&) = delete;

 private:
  Frame* top_ = nullptr;
};

}  // namespace kasumido
