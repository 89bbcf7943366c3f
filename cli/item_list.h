// The image numbers of `get --items`: "1,3,5-7".
#pragma once

#include <bitset>
#include <string_view>

namespace duovue {

class ItemList {
  public:
    static constexpr int kMaxNumber = 999;  // image numbers are written with three digits

    // Parses a comma-separated list of numbers (1 to kMaxNumber) and ranges "A-B" with A <= B.
    // Throws a Failure of Exit::Usage naming what is wrong.
    static ItemList parse(std::string_view text);

    bool contains(int number) const { return number >= 1 && number <= kMaxNumber && set_[number]; }
    // The largest number chosen.
    int highest() const;

  private:
    std::bitset<kMaxNumber + 1> set_;
};

}  // namespace duovue
