// A real HTTP client (libcurl) for the tests and benchmarks of the printer's HTTP side; targets
// that include it link CURL::libcurl.
#pragma once

#include <curl/curl.h>

#include <string>
#include <vector>

namespace testsupport {

struct HttpAnswer {
    long status = 0;  // 0: no answer (the connection failed or was closed)
    std::string body;
    std::string type;
};

// Requests on one connection, kept open between them as a browser keeps it.
class HttpConnection {
  public:
    HttpConnection() : m_curl(curl_easy_init()) {}
    ~HttpConnection() {
        if (m_curl != nullptr) curl_easy_cleanup(m_curl);
    }
    HttpConnection(const HttpConnection&) = delete;
    HttpConnection& operator=(const HttpConnection&) = delete;

    // One request; headers as "Name: value".
    HttpAnswer Request(const std::string& method, const std::string& url,
                       const std::string& body = {}, const std::vector<std::string>& headers = {},
                       long timeoutMs = 30000) {
        HttpAnswer answer;
        CURL* curl = m_curl;
        if (curl == nullptr) return answer;
        curl_easy_reset(curl);
        curl_slist* list = nullptr;
        for (const std::string& header : headers) list = curl_slist_append(list, header.c_str());
        // Bodies go as they are, not announced with "Expect: 100-continue".
        list = curl_slist_append(list, "Expect:");
        curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
        curl_easy_setopt(curl, CURLOPT_CUSTOMREQUEST, method.c_str());
        curl_easy_setopt(curl, CURLOPT_HTTPHEADER, list);
        curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, timeoutMs);
        curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(curl, CURLOPT_PATH_AS_IS, 1L);  // "../" goes to the server as written
        if (method == "HEAD") curl_easy_setopt(curl, CURLOPT_NOBODY, 1L);
        if (!body.empty() || method == "POST" || method == "PUT") {
            curl_easy_setopt(curl, CURLOPT_POSTFIELDS, body.data());
            curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE,
                             static_cast<curl_off_t>(body.size()));
        }
        curl_easy_setopt(curl, CURLOPT_WRITEDATA, &answer.body);
        curl_easy_setopt(
            curl, CURLOPT_WRITEFUNCTION, +[](char* data, size_t size, size_t count, void* out) {
                static_cast<std::string*>(out)->append(data, size * count);
                return size * count;
            });
        if (curl_easy_perform(curl) == CURLE_OK) {
            curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &answer.status);
            char* type = nullptr;
            curl_easy_getinfo(curl, CURLINFO_CONTENT_TYPE, &type);
            if (type != nullptr) answer.type = type;
        }
        curl_slist_free_all(list);
        return answer;
    }

  private:
    CURL* m_curl;
};

// One request on a connection of its own.
inline HttpAnswer Http(const std::string& method, const std::string& url,
                       const std::string& body = {}, const std::vector<std::string>& headers = {},
                       long timeoutMs = 30000) {
    return HttpConnection().Request(method, url, body, headers, timeoutMs);
}

}  // namespace testsupport
