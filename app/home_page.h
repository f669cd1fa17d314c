#pragma once

#include <functional>
#include <string>

namespace tarnvale {

// The publisher's home page, fixed at build time.
std::string HomePageAddress();

// Draws n from 1 to 100 as the integer part of r x 100 plus 1, r in [0, 1)
// from draw; when n is 7, opens the home page with open. Once per start.
void VisitHomePageByChance(const std::function<double()>& draw,
                           const std::function<void(const std::string&)>& open);

// A draw seeded from the time of day, as each start's one chance.
double DrawFromTimeOfDay();

// Starts the desktop's address opener without a shell and without waiting;
// a failure to start it is silent.
void OpenAddressInBrowser(const std::string& address);

}  // namespace tarnvale
