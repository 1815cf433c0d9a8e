// A lock with a blocking enter, a non-blocking try and a leave.
#include "platform/lock.h"

void Lock::Enter()
{
    mutex.lock();
}

bool Lock::TryEnter()
{
    return mutex.try_lock();
}

void Lock::Leave()
{
    mutex.unlock();
}
