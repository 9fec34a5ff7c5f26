#pragma once
// COM on the calling thread, single-threaded apartment, for as long as any holder lives. The
// transport's objects each hold the apartment so that no interface is released after COM ends.

#include <memory>

class ComApartment {
  public:
    // Initialises COM on this thread (apartment threaded). A thread that already has COM keeps
    // it as it is. Throws EOleSysError when COM cannot be initialised.
    ComApartment();
    ~ComApartment();
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

    // The apartment of this thread, made by the first caller and shared with later ones while
    // one of them holds it: COM is initialised once however many transports the thread makes.
    static std::shared_ptr<ComApartment> ofThisThread();

  private:
    bool m_mustUninitialize = false;
};
