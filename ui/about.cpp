#include "ui/about.h"

#include "platform/platform.h"

namespace DLmodule {

void BuildAboutText(AboutTitle& title, AboutBody& body) {
    platform::OwnVersion version{};
    if (!platform::ReadOwnVersion(&version)) version = platform::OwnVersion{};
    version.companyName[sizeof version.companyName - 1] = '\0';

    body.append(kAboutDescription);
    body.append(version.companyName);

    title.append("Dusklens Version ");
    title.appendNumber(version.major);
    title.append(".");
    title.appendNumber(version.minor);
    title.append(".");
    title.appendNumber(version.revision);
}

} // namespace DLmodule
