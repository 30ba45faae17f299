#pragma once

#include <array>
#include <cstddef>
#include <tuple>
#include <utility>

// The lengths of the lists a fetch appends to, taken before it. An engine may run a fetch's
// work again after undoing it, when it lost to another operation running at the same time;
// the work then starts by cutting its lists back, so that no row is appended twice.
template <typename... Lists>
class ListMarks
{
public:
    explicit ListMarks(Lists&... lists) : m_lists(lists...), m_lengths{lists.size()...} {}

    void cutBack() const { cut(std::index_sequence_for<Lists...>{}); }

private:
    template <size_t... I>
    void cut(std::index_sequence<I...>) const
    {
        (std::get<I>(m_lists).resize(m_lengths[I]), ...);
    }

    std::tuple<Lists&...> m_lists;
    std::array<size_t, sizeof...(Lists)> m_lengths;
};
