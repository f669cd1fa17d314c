#include "home_page.h"

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTime>
#include <random>

#ifndef TARNVALE_HOME_PAGE
#define TARNVALE_HOME_PAGE "https://tarnvale.example.org/"
#endif

namespace tarnvale {

std::string HomePageAddress() {
    return TARNVALE_HOME_PAGE;
}

void VisitHomePageByChance(const std::function<double()>& draw,
                           const std::function<void(const std::string&)>& open) {
    const int n = static_cast<int>(draw() * 100) + 1;
    if (n == 7) open(HomePageAddress());
}

double DrawFromTimeOfDay() {
    std::mt19937 engine(
        static_cast<std::mt19937::result_type>(QTime::currentTime().msecsSinceStartOfDay()));
    return std::uniform_real_distribution<double>(0.0, 1.0)(engine);
}

void OpenAddressInBrowser(const std::string& address) {
    QProcess::startDetached(QStringLiteral("xdg-open"), {QString::fromStdString(address)});
}

}  // namespace tarnvale
