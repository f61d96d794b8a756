// Per-owner tables of member-function handlers keyed by (sender, notification id), and the scope guard
// that suspends one of them.
#pragma once

#include "vqframework/notification/Notification.h"
#include "vqframework/notification/NotificationClient.h"
#include "vqframework/notification/NotificationDistributor.h"
#include "vqframework/objectbase/Exception.h"
#include "vqframework/objectbase/Mutex.h"
#include "vqframework/objectbase/RCPtr.h"
#include "vqframework/objectbase/Result.h"

#include <cstdint>
#include <map>

namespace VQ {

// A table key: compared by the values of its two pointers only, the distributor's first.
struct Receivable {
    const LNotificationDistributor* distributor;
    const char16_t* id;

    bool operator<(const Receivable& other) const
    {
        const auto left = reinterpret_cast<uintptr_t>(distributor);
        const auto right = reinterpret_cast<uintptr_t>(other.distributor);
        if (left != right)
            return left < right;
        return reinterpret_cast<uintptr_t>(id) < reinterpret_cast<uintptr_t>(other.id);
    }
};

template <class T> class CAutoNotificationDisabler;

// T is a notification client that holds its table and hands every notification it receives to
// Dispatch. Registrations are usually made on the UI thread while a port layer may dispatch on its
// own thread, so the table is guarded; handlers run without the table's lock.
template <class T> class LNotificationHandler : public virtual LRefCountedObject {
public:
    using Handler = VQRESULT (T::*)(const RCPtr<LNotificationDistributor>& sender,
                                    const RCPtr<LNotification>& notification);

    static RCPtr<LNotificationHandler> Create(T* owner) { return RCPtr<LNotificationHandler>(new LNotificationHandler(owner)); }

    // Registers the owner with the distributor and enters the handler under (distributor, id); the
    // first handler of a key stays, though the flags are updated. E_INVALIDARG for a null
    // distributor, E_FAIL for a name that interns to null.
    VQRESULT RegisterHandler(Handler handler, const RCPtr<LNotificationDistributor>& distributor, const char16_t* name,
                             int32_t flags)
    {
        if (!distributor)
            return E_INVALIDARG;
        const char16_t* id = m_owner->Register(distributor, name, flags);
        if (!id)
            return E_FAIL;
        MutexLock lock(m_lock);
        m_table.emplace(Receivable{distributor.Get(), id}, handler);
        return S_OK;
    }

    // Enters the handler under (null, id), registering nowhere: for notifications handed straight to
    // the owner's Receive with no sender. E_FAIL for a name that interns to null.
    VQRESULT AddHandler(Handler handler, const char16_t* name)
    {
        const char16_t* id = LNotification::InternID(name);
        if (!id)
            return E_FAIL;
        MutexLock lock(m_lock);
        m_table.emplace(Receivable{nullptr, id}, handler);
        return S_OK;
    }

    // The handler's result, or 0 when the table has no entry for the sender and id.
    VQRESULT Dispatch(const RCPtr<LNotificationDistributor>& sender, const RCPtr<LNotification>& notification)
    {
        if (!notification)
            return S_OK;
        Handler handler = nullptr;
        {
            MutexLock lock(m_lock);
            const auto entry = m_table.find(Receivable{sender.Get(), notification->GetID()});
            if (entry == m_table.end())
                return S_OK;
            handler = entry->second;
        }
        return (m_owner->*handler)(sender, notification);
    }

    // Erases the entry without unregistering; true when there was one.
    bool RemoveHandler(const RCPtr<LNotificationDistributor>& distributor, const char16_t* name)
    {
        const char16_t* id = LNotification::InternID(name);
        MutexLock lock(m_lock);
        return id && m_table.erase(Receivable{distributor.Get(), id}) > 0;
    }

    bool HasHandler(const RCPtr<LNotificationDistributor>& distributor, const char16_t* name) const
    {
        const char16_t* id = LNotification::InternID(name);
        MutexLock lock(m_lock);
        return id && m_table.count(Receivable{distributor.Get(), id}) > 0;
    }

    // Copies out the handler and the owner's registration flags at the distributor. E_FAIL when there
    // is no entry; else the result of reading the flags (E_INVALIDARG for an entry without sender,
    // which has no registration).
    VQRESULT FindHandler(const RCPtr<LNotificationDistributor>& distributor, const char16_t* name, Handler& handler,
                         int32_t& flags) const
    {
        const char16_t* id = LNotification::InternID(name);
        if (!id)
            return E_FAIL;
        {
            MutexLock lock(m_lock);
            const auto entry = m_table.find(Receivable{distributor.Get(), id});
            if (entry == m_table.end())
                return E_FAIL;
            handler = entry->second;
        }
        if (!distributor)
            return E_INVALIDARG;
        return distributor->GetClientFlags(m_owner, id, flags);
    }

private:
    explicit LNotificationHandler(T* owner) : m_owner(owner) {}

    // No reference: the owner holds the table.
    T* const m_owner;
    // Guards the table.
    mutable Mutex m_lock;
    std::map<Receivable, Handler> m_table;

    friend class CAutoNotificationDisabler<T>;
};

// Takes one registration of a table's owner away for the scope and puts it back at its end (a view
// that moves its own scroll bars does not want to hear their value changes).
template <class T> class CAutoNotificationDisabler {
public:
    using Handler = typename LNotificationHandler<T>::Handler;

    // Throws a failed-result exception when the entry or its registration does not exist, or when
    // the registration cannot be removed.
    CAutoNotificationDisabler(const RCPtr<LNotificationHandler<T>>& table, const RCPtr<LNotificationDistributor>& distributor,
                              const char16_t* name)
        : m_table(table), m_distributor(distributor), m_id(LNotification::InternID(name))
    {
        VQ_CHECK_RESULT(m_table->FindHandler(m_distributor, m_id, m_handler, m_flags));
        // The client's own removal, not an owner's override, which would erase the entry first.
        const VQRESULT unregistered = m_table->m_owner->LNotificationClient::Unregister(m_distributor, m_id);
        const bool removed = m_table->RemoveHandler(m_distributor, m_id);
        VQ_CHECK_RESULT(!removed ? E_FAIL : unregistered);
    }

    CAutoNotificationDisabler(const CAutoNotificationDisabler&) = delete;
    CAutoNotificationDisabler& operator=(const CAutoNotificationDisabler&) = delete;

    // Never throws: a throw here would end the program when the scope is left by an exception, so
    // what cannot be restored stays away.
    ~CAutoNotificationDisabler() noexcept
    {
        try {
            (void)m_table->RegisterHandler(m_handler, m_distributor, m_id, m_flags);
        } catch (...) {
        }
    }

private:
    RCPtr<LNotificationHandler<T>> m_table;
    RCPtr<LNotificationDistributor> m_distributor;
    const char16_t* m_id;
    Handler m_handler = nullptr;
    int32_t m_flags = 0;
};

} // namespace VQ
