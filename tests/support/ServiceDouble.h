#pragma once
// The local web-service double of tests (service_double.py) run as a child process for one test: it listens
// on an ephemeral port of 127.0.0.1, answers from a scenario and logs every request. The scenario format is
// described at the top of service_double.py.
//
//   mxtest::ServiceDouble service(R"({"routes": [{"path": "/update.php", "body": "[Application]"}]})");
//   ... point the program at service.url() ...
//   auto log = service.requests();   // method, path, raw query, headers and body of each request
#include <map>
#include <string>
#include <vector>

#include <sys/types.h>

#include "support/TestPaths.h"

namespace mxtest {

struct LoggedRequest {
  std::string method;
  std::string path;
  std::string query;                          // raw, as sent
  std::map<std::string, std::string> headers;  // names lower-cased
  std::string body;
};

class ServiceDouble {
 public:
  // Starts the double with the scenario's JSON text; throws std::runtime_error when it does not come up.
  explicit ServiceDouble(const std::string& scenarioJson, double lifetimeSeconds = 60);
  ~ServiceDouble();
  ServiceDouble(const ServiceDouble&) = delete;
  ServiceDouble& operator=(const ServiceDouble&) = delete;

  int port() const { return port_; }
  // "http://127.0.0.1:<port>"
  std::string url() const;
  // Every request logged so far, in order of arrival.
  std::vector<LoggedRequest> requests() const;
  // Ends the double (the port then refuses connections); the log stays readable.
  void stop();

 private:
  TempDir dir_;
  pid_t pid_ = -1;
  int port_ = 0;
};

}  // namespace mxtest
