// Abort callbacks: passed down long operations so the caller can cancel them. Reading the
// state is thread-safe; abort() may be called from another thread.
#pragma once

#include <atomic>

class abort_callback {
public:
    virtual bool is_aborting() const = 0;

protected:
    abort_callback() = default;
    ~abort_callback() = default;
};

// Never aborts.
class abort_callback_dummy final : public abort_callback {
public:
    bool is_aborting() const override { return false; }
};

// Aborts once abort() has been called.
class abort_callback_impl final : public abort_callback {
public:
    bool is_aborting() const override { return m_aborting.load(); }
    void abort() { m_aborting.store(true); }
    void reset() { m_aborting.store(false); }

private:
    std::atomic<bool> m_aborting{false};
};
