// What a program needs of the HTTP view: open its address, serve, stop. How the view is reached
// depends on how the program is linked: emulator_http makes it in the program (LinkedHttp.cpp);
// printer-emulator loads it from its module only when --http is given (HttpModuleLoader.cpp), so
// its other runs start without libmicrohttpd and the TLS libraries that come with it.
#pragma once

#include <memory>
#include <string>

#include "emulator/link/TcpListener.h"

namespace emu {

class PrinterStation;

class HttpService {
  public:
    virtual ~HttpService() = default;
    // Before Start. False with the reason; *inUse says the port was taken.
    virtual bool Open(const ListenAddress& address, std::string* error, bool* inUse = nullptr) = 0;
    // Once the station listens on its TCP port (print jobs go there): subscribes and serves.
    virtual bool Start(std::string* error) = 0;
    // Ends the streams, answers what waits and unsubscribes.
    virtual void Stop() = 0;
    // "http://127.0.0.1:8080/" as bound.
    virtual std::string Address() const = 0;
};

// The station's HTTP view, or nothing with the reason (the module could not be loaded).
std::unique_ptr<HttpService> MakeHttpService(PrinterStation& station, std::string* error);
// What --help says of the interface, or why it is not available.
std::string HttpInterfaceText();

}  // namespace emu
