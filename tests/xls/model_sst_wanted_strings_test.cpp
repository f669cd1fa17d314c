// An index over a shared string table that decodes only the strings a
// digest filter wants: the others are stepped over, yet every string keeps
// its index and can still be read.
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "biff/strings.h"
#include "model/sst_index.h"

namespace xls::model {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(SstIndexWants, DecodesOnlyTheWantedStringsAndKeepsEveryIndex) {
    // cstTotal 5, cstUnique 4: "ab", "c" (16-bit), "de" split by a Continue, "f".
    const Bytes sst = {5, 0, 0, 0, 4, 0, 0, 0, 2, 0, 0, 'a', 'b', 1, 0, 1, 'c', 0, 2, 0, 0, 'd'};
    const Bytes next = {1, 'e', 0, 1, 0, 0, 'f'};
    const std::vector<std::u16string> all = {u"ab", u"c", u"de", u"f"};
    const auto digestOf = [](const std::u16string& chars) {
        return biff::stringDigest(biff::XLString::fromUtf16(chars));
    };
    const std::set<std::uint64_t> wanted = {digestOf(u"c"), digestOf(u"de")};

    std::map<std::size_t, std::u16string> visited;
    const SstIndex index(
        {std::span<const std::uint8_t>(sst), std::span<const std::uint8_t>(next)},
        [&](std::size_t i, const SstString& s) { visited[i] = s.chars; },
        [&](std::uint64_t digest) { return wanted.count(digest) > 0; });

    EXPECT_EQ(visited, (std::map<std::size_t, std::u16string>{{1, u"c"}, {2, u"de"}}));
    ASSERT_EQ(index.size(), all.size());
    for (std::size_t i = 0; i < all.size(); ++i) EXPECT_EQ(index.at(i).chars, all[i]) << i;
    EXPECT_EQ(index.cstTotal(), 5U);
}

}  // namespace
}  // namespace xls::model
