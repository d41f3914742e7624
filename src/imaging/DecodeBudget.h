// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QtGlobal>

#include <atomic>

// The memory that decodes running at the same time may need together. A decode reserves what
// it will need before it allocates anything and gives the reservation back when it ends; a
// reservation that does not fit what is left is refused at once (the decode is then refused,
// it does not wait). Thread-safe.
class DecodeBudget
{
public:
    // Memory held for one decode; given back when destroyed. Move-only. An invalid
    // reservation (refused, or moved from) holds nothing. Must not outlive its budget.
    class Reservation
    {
    public:
        Reservation() = default;
        Reservation(Reservation &&other) noexcept;
        Reservation &operator=(Reservation &&other) noexcept;
        Reservation(const Reservation &) = delete;
        Reservation &operator=(const Reservation &) = delete;
        ~Reservation();

        bool isValid() const { return m_budget != nullptr; }
        qint64 bytes() const { return m_bytes; }
        // Gives the memory back now.
        void release();

    private:
        friend class DecodeBudget;
        Reservation(DecodeBudget *budget, qint64 bytes);

        DecodeBudget *m_budget = nullptr;
        qint64 m_bytes = 0;
    };

    explicit DecodeBudget(qint64 totalBytes);
    DecodeBudget(const DecodeBudget &) = delete;
    DecodeBudget &operator=(const DecodeBudget &) = delete;

    // The budget every decode of the program draws on: DecodeBudgetBytes.
    static DecodeBudget &shared();

    // `bytes` (more than 0) of the budget, or an invalid reservation when fewer are left.
    Reservation reserve(qint64 bytes);

    qint64 totalBytes() const { return m_total; }
    // Bytes reserved now.
    qint64 reservedBytes() const { return m_reserved.load(); }

private:
    void giveBack(qint64 bytes);

    const qint64 m_total;
    std::atomic<qint64> m_reserved {0};
};
