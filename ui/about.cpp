#include "ui/about.h"

#include "platform/platform.h"

namespace DLmodule {

void BuildAboutText(AboutTitle& title, AboutBody& body) {
    platform::OwnVersion version{};
    if (!platform::ReadOwnVersion(&version)) version = platform::OwnVersion{};
    version.companyName[sizeof version.companyName - 1] = '\0';

    body.append("A utility that switches to low level red and gray colors to reduce");
    body.append(" the light level in an observatory.  Additional functions hide the");
    body.append(" destop icons and the taskbar.  Use \"AltTab\" to find Dusklens if is has");
    body.append(" has been covered by other windows.");
    body.append("\n\n");
    body.append(kAuthorshipNotice);
    body.append(version.companyName);

    title.append("Dusklens Version ");
    title.appendNumber(version.major);
    title.append(".");
    title.appendNumber(version.minor);
    title.append(".");
    title.appendNumber(version.revision);
}

} // namespace DLmodule
