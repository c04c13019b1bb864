// ThreadSanitizer cannot see inside the uninstrumented Qt library, so it would report every
// access a QMutex guards as a race. In its builds every test takes these in place of Qt's:
// each tells ThreadSanitizer what the mutex does, then calls Qt's own.
#include <QMutex>

#include <dlfcn.h>
#include <sanitizer/tsan_interface.h>

#define LDL_QT_OWN(type, symbol)                                                                   \
    static const auto own = reinterpret_cast<type>(::dlsym(RTLD_NEXT, symbol))

void QMutex::lock() QT_MUTEX_LOCK_NOEXCEPT
{
    LDL_QT_OWN(void (*)(QMutex *), "_ZN6QMutex4lockEv");
    __tsan_mutex_pre_lock(this, 0);
    own(this);
    __tsan_mutex_post_lock(this, 0, 0);
}

bool QMutex::tryLock(int timeout) QT_MUTEX_LOCK_NOEXCEPT
{
    LDL_QT_OWN(bool (*)(QMutex *, int), "_ZN6QMutex7tryLockEi");
    __tsan_mutex_pre_lock(this, __tsan_mutex_try_lock);
    const bool locked = own(this, timeout);
    __tsan_mutex_post_lock(this, locked ? __tsan_mutex_try_lock : __tsan_mutex_try_lock_failed, 0);
    return locked;
}

void QMutex::unlock() noexcept
{
    LDL_QT_OWN(void (*)(QMutex *), "_ZN6QMutex6unlockEv");
    __tsan_mutex_pre_unlock(this, 0);
    own(this);
    __tsan_mutex_post_unlock(this, 0);
}
