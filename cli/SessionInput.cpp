#include "cli/SessionInput.h"

#include "cli/PasswordInput.h"
#include "dataproc/Wipe.h"

#include <histedit.h>

#include <atomic>
#include <cerrno>
#include <clocale>
#include <csignal>
#include <cstring>
#include <cwchar>
#include <iostream>
#include <poll.h>
#include <unistd.h>

namespace {

std::atomic<int> GSignal{0};

void NoteSignal(int Signal)
{
    GSignal = Signal;
}

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};

// While a line is read, the terminating signals only end the read (no SA_RESTART, so a waiting
// poll returns); the session then closes the box and ends as the signal asked.
class TPromptSignals {
public:
    TPromptSignals()
    {
        struct sigaction sa {};
        sa.sa_handler = NoteSignal;
        sigemptyset(&sa.sa_mask);
        for (std::size_t i = 0; i < std::size(kSignals); ++i)
            ::sigaction(kSignals[i], &sa, &FOld[i]);
    }
    ~TPromptSignals()
    {
        for (std::size_t i = 0; i < std::size(kSignals); ++i)
            ::sigaction(kSignals[i], &FOld[i], nullptr);
    }
    TPromptSignals(const TPromptSignals&) = delete;
    TPromptSignals& operator=(const TPromptSignals&) = delete;

private:
    struct sigaction FOld[std::size(kSignals)] {};
};

} // namespace

struct TSessionInput::TImpl {
    std::chrono::milliseconds IdleTime;
    EditLine* Edit = nullptr;
    History* Hist = nullptr;
    Tokenizer* Tok = nullptr;
    std::string Prompt;
    bool Idle = false;

    // One byte of standard input, waiting at most until the idle time has passed since the last
    // key. 1: read; 0: end of input; -1: idle or a signal (Idle tells which).
    int ReadByte(char& C)
    {
        const auto deadline = std::chrono::steady_clock::now() + IdleTime;
        for (;;) {
            if (GSignal != 0)
                return -1;
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0) {
                Idle = true;
                return -1;
            }
            struct pollfd p {STDIN_FILENO, POLLIN, 0};
            const int n = ::poll(&p, 1, static_cast<int>(std::min<long long>(left.count(), 1 << 30)));
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0)
                return 0;
            if (n == 0)
                continue;
            const ssize_t got = ::read(STDIN_FILENO, &C, 1);
            if (got < 0 && errno == EINTR)
                continue;
            return got == 1 ? 1 : 0;
        }
    }

    // editline's character source: ReadByte, decoded from the locale's encoding (UTF-8).
    static int GetChar(EditLine* Edit, wchar_t* Out)
    {
        TImpl* self = nullptr;
        el_get(Edit, EL_CLIENTDATA, &self);
        std::mbstate_t state {};
        for (;;) {
            char c;
            const int r = self->ReadByte(c);
            if (r <= 0)
                return r;
            const std::size_t n = std::mbrtowc(Out, &c, 1, &state);
            if (n == static_cast<std::size_t>(-2))
                continue; // more bytes of the character to come
            if (n == static_cast<std::size_t>(-1)) {
                state = std::mbstate_t{};
                *Out = L'?';
            }
            return 1;
        }
    }

    static char* PromptText(EditLine* Edit)
    {
        TImpl* self = nullptr;
        el_get(Edit, EL_CLIENTDATA, &self);
        return self->Prompt.data();
    }
};

TSessionInput::TSessionInput(std::chrono::milliseconds IdleTime) : FImpl(std::make_unique<TImpl>())
{
    FImpl->IdleTime = IdleTime;
    FImpl->Tok = tok_init(nullptr);
    if (!StdinIsTerminal())
        return;
    std::setlocale(LC_CTYPE, ""); // editline edits characters, not bytes
    FImpl->Edit = el_init("zembrix-cli", stdin, stdout, stderr);
    FImpl->Hist = history_init();
    HistEvent ev;
    history(FImpl->Hist, &ev, H_SETSIZE, 200);
    history(FImpl->Hist, &ev, H_SETUNIQUE, 1);
    el_set(FImpl->Edit, EL_CLIENTDATA, FImpl.get());
    el_set(FImpl->Edit, EL_EDITOR, "emacs");
    el_set(FImpl->Edit, EL_HIST, history, FImpl->Hist);
    el_set(FImpl->Edit, EL_PROMPT, &TImpl::PromptText);
    el_set(FImpl->Edit, EL_GETCFN, &TImpl::GetChar);
}

TSessionInput::~TSessionInput()
{
    if (FImpl->Edit != nullptr)
        el_end(FImpl->Edit); // puts the terminal back as it was
    if (FImpl->Hist != nullptr) {
        HistEvent ev;
        history(FImpl->Hist, &ev, H_CLEAR); // only ever in memory
        history_end(FImpl->Hist);
    }
    tok_end(FImpl->Tok);
}

int TSessionInput::Signal() const
{
    return GSignal;
}

TSessionRead TSessionInput::Read(const std::string& Prompt, std::string& Line)
{
    TPromptSignals signals;
    FImpl->Idle = false;
    Line.clear();
    if (FImpl->Edit == nullptr) {
        // A script: plain lines, still ended by a signal.
        char c;
        bool any = false;
        for (;;) {
            const int r = FImpl->ReadByte(c);
            if (r < 0)
                return FImpl->Idle ? srIdle : srSignal;
            if (r == 0)
                return any ? srLine : srEnd;
            any = true;
            if (c == '\n')
                break;
            Line.push_back(c);
        }
        if (!Line.empty() && Line.back() == '\r')
            Line.pop_back();
        return srLine;
    }
    FImpl->Prompt = Prompt;
    int count = 0;
    const char* text = el_gets(FImpl->Edit, &count);
    if (text == nullptr || count <= 0) {
        if (GSignal != 0)
            return srSignal;
        if (FImpl->Idle)
            return srIdle;
        return srEnd;
    }
    Line.assign(text, static_cast<std::size_t>(count));
    while (!Line.empty() && (Line.back() == '\n' || Line.back() == '\r'))
        Line.pop_back();
    // Lines that carry a secret as an argument stay out of the history.
    if (!Line.empty() && Line.find("--password") == std::string::npos && Line.find("--answer ") == std::string::npos) {
        HistEvent ev;
        history(FImpl->Hist, &ev, H_ENTER, Line.c_str());
    }
    return srLine;
}

bool TSessionInput::Split(const std::string& Line, std::vector<std::string>& Words)
{
    Words.clear();
    tok_reset(FImpl->Tok);
    int argc = 0;
    const char** argv = nullptr;
    if (tok_str(FImpl->Tok, Line.c_str(), &argc, &argv) != 0)
        return false;
    for (int i = 0; i < argc; ++i)
        Words.emplace_back(argv[i]);
    return true;
}
