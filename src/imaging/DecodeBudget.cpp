// SPDX-License-Identifier: GPL-3.0-or-later
#include "imaging/DecodeBudget.h"

#include "imaging/PictureLimits.h"

#include <utility>

DecodeBudget::Reservation::Reservation(DecodeBudget *budget, qint64 bytes)
    : m_budget(budget)
    , m_bytes(bytes)
{
}

DecodeBudget::Reservation::Reservation(Reservation &&other) noexcept
    : m_budget(std::exchange(other.m_budget, nullptr))
    , m_bytes(std::exchange(other.m_bytes, 0))
{
}

DecodeBudget::Reservation &DecodeBudget::Reservation::operator=(Reservation &&other) noexcept
{
    if (this != &other) {
        release();
        m_budget = std::exchange(other.m_budget, nullptr);
        m_bytes = std::exchange(other.m_bytes, 0);
    }
    return *this;
}

DecodeBudget::Reservation::~Reservation()
{
    release();
}

void DecodeBudget::Reservation::release()
{
    if (m_budget)
        m_budget->giveBack(m_bytes);
    m_budget = nullptr;
    m_bytes = 0;
}

DecodeBudget::DecodeBudget(qint64 totalBytes)
    : m_total(totalBytes)
{
}

DecodeBudget &DecodeBudget::shared()
{
    static DecodeBudget budget(DecodeBudgetBytes);
    return budget;
}

DecodeBudget::Reservation DecodeBudget::reserve(qint64 bytes)
{
    if (bytes <= 0 || bytes > m_total)
        return Reservation();
    qint64 reserved = m_reserved.load();
    do {
        if (reserved > m_total - bytes)
            return Reservation();
    } while (!m_reserved.compare_exchange_weak(reserved, reserved + bytes));
    return Reservation(this, bytes);
}

void DecodeBudget::giveBack(qint64 bytes)
{
    m_reserved.fetch_sub(bytes);
}
