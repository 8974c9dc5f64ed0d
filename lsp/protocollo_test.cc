#include "lsp/protocollo.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "lsp/lsp.h"

namespace valdoro {
namespace lsp {
namespace {

using tipo = messaggio_letto::tipo;

struct letto {
  tipo t;
  std::string testo;
  bool operator==(const letto& o) const { return t == o.t && testo == o.testo; }
};

std::ostream& operator<<(std::ostream& o, const letto& l) {
  return o << (l.t == tipo::corpo ? "body " : l.t == tipo::guasto ? "fault " : "end ") << l.testo;
}

// Everything the reader makes of `flusso`, to the end.
std::vector<letto> leggi_tutto(const std::string& flusso, size_t massimo = kMassimoMessaggio) {
  std::istringstream in(flusso);
  lettore_messaggi r(in, massimo);
  std::vector<letto> out;
  for (;;) {
    const messaggio_letto m = r.prossimo();
    out.push_back({m.t, m.testo});
    if (m.t == tipo::fine) return out;
  }
}

TEST(ProtocolloLsp, FramesAMessageWithItsLength) {
  EXPECT_EQ(incornicia("{}"), "Content-Length: 2\r\n\r\n{}");
  EXPECT_EQ(incornicia("{\"a\":\"\xC3\xA0\"}"), "Content-Length: 10\r\n\r\n{\"a\":\"\xC3\xA0\"}");
}

// Each stream, and what the reader takes from it: every fault is told
// once, and the message after it is read whole.
TEST(ProtocolloLsp, ReadsMessagesAndMovesPastEveryFault) {
  const std::string fine_flusso = "Content-Length: 2\r\n\r\n{}";
  struct caso {
    const char* nome;
    std::string flusso;
    std::vector<letto> atteso;
  };
  const std::vector<caso> casi = {
      {"two in a row, other headers, any letter case",
       "Content-Length: 3\r\n\r\n[1]content-length:2\r\nContent-Type: application/vscode-jsonrpc; "
       "charset=utf-8\r\n\r\n{}",
       {{tipo::corpo, "[1]"}, {tipo::corpo, "{}"}, {tipo::fine, ""}}},
      {"blank lines between messages, bare line feeds",
       "\r\n\nContent-Length: 1\n\n7",
       {{tipo::corpo, "7"}, {tipo::fine, ""}}},
      {"no Content-Length",
       "Content-Type: x\r\n\r\n{\"a\": 1}" + fine_flusso,
       {{tipo::guasto, "a message without Content-Length"}, {tipo::corpo, "{}"}, {tipo::fine, ""}}},
      {"a length that is no number",
       "Content-Length: 1e3\r\n\r\n{}" + fine_flusso,
       {{tipo::guasto, "a Content-Length that is not a number"}, {tipo::corpo, "{}"}, {tipo::fine, ""}}},
      {"a length past 64 bits",
       "Content-Length: 99999999999999999999\r\n\r\n" + fine_flusso,
       {{tipo::guasto, "a Content-Length that is not a number"}, {tipo::corpo, "{}"}, {tipo::fine, ""}}},
      {"garbage before a header",
       "{\"jsonrpc\": \"2.0\"}\r\n" + fine_flusso,
       {{tipo::guasto, "a header line that is not \"Name: value\""}, {tipo::corpo, "{}"}, {tipo::fine, ""}}},
      {"a header line past the bound",
       std::string(kMassimaRigaIntestazione + 10, 'x') + "\r\n" + fine_flusso,
       {{tipo::guasto, "a header line that is not \"Name: value\""}, {tipo::corpo, "{}"}, {tipo::fine, ""}}},
      {"the stream ends inside a body", "Content-Length: 10\r\n\r\n{}", {{tipo::fine, ""}}},
      {"the stream ends inside the headers", "Content-Length: 10\r\n", {{tipo::fine, ""}}},
      {"an empty stream", "", {{tipo::fine, ""}}},
  };
  for (const caso& c : casi) EXPECT_EQ(leggi_tutto(c.flusso), c.atteso) << c.nome;
}

TEST(ProtocolloLsp, AMessagePastTheBoundIsPassedOverWhole) {
  const std::string grande = "[" + std::string(98, ' ') + "]";
  const std::string flusso = "Content-Length: 100\r\n\r\n" + grande + "Content-Length: 2\r\n\r\n{}";
  EXPECT_EQ(
      leggi_tutto(flusso, 99),
      std::vector<letto>({{tipo::guasto, "a message longer than 99 bytes"}, {tipo::corpo, "{}"}, {tipo::fine, ""}}));
  EXPECT_EQ(leggi_tutto(flusso, 100),
            std::vector<letto>({{tipo::corpo, grande}, {tipo::corpo, "{}"}, {tipo::fine, ""}}));
}

std::string messaggio(const std::string& corpo) {
  return "Content-Length: " + std::to_string(corpo.size()) + "\r\n\r\n" + corpo;
}

// The whole loop on two streams: answers framed, a fault answered, the
// status of a clean exit.
TEST(ProtocolloLsp, TheLoopServesUntilExit) {
  std::istringstream in(messaggio(R"({"jsonrpc":"2.0","id":1,"method":"initialize","params":{}})") +
                        "Content-Length: x\r\n\r\n" + messaggio(R"({"jsonrpc":"2.0","id":2,"method":"shutdown"})") +
                        messaggio(R"({"jsonrpc":"2.0","method":"exit"})") +
                        messaggio(R"({"jsonrpc":"2.0","id":3,"method":"shutdown"})"));
  std::ostringstream out;
  EXPECT_EQ(esegui(in, out, {}), 0);
  const std::string s = out.str();
  const std::string errore =
      R"({"error":{"code":-32600,"message":"a Content-Length that is not a number"},"id":null,"jsonrpc":"2.0"})";
  const std::string arresto = R"({"id":2,"jsonrpc":"2.0","result":null})";
  EXPECT_NE(s.find(messaggio(errore)), std::string::npos) << s;
  // Nothing is read past exit: the last shutdown gets no answer.
  EXPECT_EQ(s.size() - s.find(messaggio(arresto)), messaggio(arresto).size()) << s;
}

TEST(ProtocolloLsp, AClientThatGoesAwayEndsTheLoopWithStatusOne) {
  std::istringstream in(messaggio(R"({"jsonrpc":"2.0","id":1,"method":"initialize","params":{}})") +
                        "Content-Length: 500\r\n\r\n{\"jsonrpc\"");
  std::ostringstream out;
  EXPECT_EQ(esegui(in, out, {}), 1);
}

}  // namespace
}  // namespace lsp
}  // namespace valdoro
