// SPDX-License-Identifier: GPL-3.0-or-later
// tavoli-modem: a simulated Hayes modem on a pseudo-terminal, for trying Tavoli without hardware.
// Prints the device path as its first line, then answers until SIGINT or SIGTERM.
#include "hayesmodem.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <mutex>
#include <string>

#include <pthread.h>

namespace {

const char *const Usage =
    "Uso: tavoli-modem [opciones]\n"
    "Un modem compatible Hayes simulado en un pseudoterminal. La primera línea que escribe en\n"
    "la salida estándar es la ruta del dispositivo de la línea: désela a Tavoli\n"
    "(TAVOLI_COM1=<ruta>) o use --link. Sigue hasta recibir SIGINT o SIGTERM (Ctrl+C); entonces\n"
    "borra sus enlaces y sale con estado 0.\n"
    "\n"
    "Perfil al encenderse (por omisión E0 V0 Q0; AT&F da E1 V1 Q0):\n"
    "  --echo                 empieza con eco (E1)\n"
    "  --verbose              empieza con los códigos de resultado en palabras (V1)\n"
    "  --quiet                empieza sin códigos de resultado (Q1)\n"
    "  --set Sn=v             valor inicial de un registro S, p. ej. --set S37=9 (repetible)\n"
    "\n"
    "Fallos (CMD es una línea de comando, con o sin \"AT\", en mayúsculas o minúsculas):\n"
    "  --silent               no contesta nunca nada\n"
    "  --blank-replies        ejecuta cada comando pero solo contesta una línea vacía (CR LF)\n"
    "  --error-on CMD         contesta ERROR a CMD (repetible)\n"
    "  --silent-on CMD        no contesta nada a CMD (repetible)\n"
    "  --no-result-on CMD     envía el texto informativo de CMD pero no su código de\n"
    "                         resultado (repetible)\n"
    "  --hangup-after CMD     contesta a CMD y después cierra la línea\n"
    "  --flood-after CMD      después de CMD envía bytes sin fin, sin ningún CR ni LF\n"
    "  --chunk N              escribe las respuestas en trozos de N bytes\n"
    "  --chunk-gap MS         pausa entre trozos (por omisión, 0)\n"
    "  --split-crlf           escribe por separado el CR y el LF de cada línea de respuesta\n"
    "  --split-gap MS         pausa entre ellos (por omisión, 20)\n"
    "  --parity odd|even      pone la paridad en el bit 7 de cada byte que envía\n"
    "  --garbage N            envía N bytes de ruido (nunca CR) antes de cada respuesta\n"
    "  --delay MS             espera MS milisegundos antes de cada respuesta\n"
    "\n"
    "Otras opciones:\n"
    "  --numeric-crlf         enmarca en CR LF los resultados y la información de V0, como\n"
    "                         hace V1: \"<CR><LF>0<CR><LF>\" en lugar de \"0<CR>\"\n"
    "  --link RUTA            hace de RUTA un enlace simbólico a la línea (repetible)\n"
    "  --log                  escribe cada línea de comando y cada respuesta, con su hora,\n"
    "                         en la salida de errores\n"
    "  --help                 muestra este texto\n";

std::mutex logMutex;
HayesModem::Clock::time_point started;

std::string printable(const std::string &bytes)
{
    std::string out;
    for (unsigned char c : bytes) {
        if (c == '\r')
            out += "<CR>";
        else if (c == '\n')
            out += "<LF>";
        else if (c >= 0x20 && c < 0x7F)
            out += static_cast<char>(c);
        else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "<%02X>", c);
            out += hex;
        }
    }
    return out;
}

void trace(char kind, const std::string &bytes, HayesModem::Clock::time_point when)
{
    const double seconds = std::chrono::duration<double>(when - started).count();
    const char *what = kind == '<'   ? "received"
                       : kind == '>' ? "reply   "
                       : kind == 'e' ? "echo    "
                                     : "hang-up ";
    std::lock_guard lock(logMutex);
    std::fprintf(stderr, "[%10.6f] %s %s\n", seconds, what, printable(bytes).c_str());
}

bool parseNumber(const char *text, long max, long &value)
{
    char *end = nullptr;
    errno = 0;
    const long v = std::strtol(text, &end, 10);
    if (errno != 0 || end == text || *end != '\0' || v < 0 || v > max)
        return false;
    value = v;
    return true;
}

bool parseRegister(std::string text, HayesOptions &options)
{
    if (!text.empty() && (text[0] == 'S' || text[0] == 's'))
        text.erase(0, 1);
    const auto eq = text.find('=');
    if (eq == std::string::npos)
        return false;
    long index = 0;
    long value = 0;
    if (!parseNumber(text.substr(0, eq).c_str(), 255, index)
        || !parseNumber(text.substr(eq + 1).c_str(), 255, value))
        return false;
    options.registers[static_cast<int>(index)] = static_cast<int>(value);
    return true;
}

int usageError(const std::string &what)
{
    std::fprintf(stderr, "tavoli-modem: %s\nPruebe --help.\n", what.c_str());
    return 2;
}

} // namespace

int main(int argc, char **argv)
{
    HayesOptions options;
    options.keepLog = false; // a long run must not grow; --log prints instead
    std::vector<std::string> links;
    bool log = false;

    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&]() -> const char * { return i + 1 < argc ? argv[++i] : nullptr; };
        auto number = [&](long max, long &out) {
            const char *v = value();
            return v && parseNumber(v, max, out);
        };
        long n = 0;
        if (arg == "--help" || arg == "-h") {
            std::fputs(Usage, stdout);
            return 0;
        } else if (arg == "--echo") {
            options.echo = true;
        } else if (arg == "--verbose") {
            options.verbose = true;
        } else if (arg == "--quiet") {
            options.quiet = true;
        } else if (arg == "--numeric-crlf") {
            options.numericCrLf = true;
        } else if (arg == "--set") {
            const char *v = value();
            if (!v || !parseRegister(v, options))
                return usageError("--set necesita Sn=v, con n y v de 0 a 255");
        } else if (arg == "--silent") {
            options.silent = true;
        } else if (arg == "--blank-replies") {
            options.blankReplies = true;
        } else if (arg == "--error-on" || arg == "--silent-on" || arg == "--no-result-on"
                   || arg == "--hangup-after" || arg == "--flood-after" || arg == "--link") {
            const char *v = value();
            if (!v)
                return usageError(arg + " necesita un valor");
            if (arg == "--error-on")
                options.errorOn.push_back(v);
            else if (arg == "--silent-on")
                options.silentOn.push_back(v);
            else if (arg == "--no-result-on")
                options.noResultOn.push_back(v);
            else if (arg == "--hangup-after")
                options.hangupAfter = v;
            else if (arg == "--flood-after")
                options.floodAfter = v;
            else
                links.push_back(v);
        } else if (arg == "--chunk") {
            if (!number(65536, n) || n == 0)
                return usageError("--chunk necesita un número de bytes de 1 a 65536");
            options.chunk = static_cast<std::size_t>(n);
        } else if (arg == "--chunk-gap" || arg == "--split-gap" || arg == "--delay") {
            if (!number(600000, n))
                return usageError(arg + " necesita milisegundos de 0 a 600000");
            (arg == "--chunk-gap"   ? options.chunkGapMs
             : arg == "--split-gap" ? options.splitGapMs
                                    : options.replyDelayMs) = static_cast<int>(n);
        } else if (arg == "--split-crlf") {
            options.splitCrLf = true;
        } else if (arg == "--parity") {
            const char *v = value();
            const std::string p = v ? v : "";
            if (p == "odd")
                options.replyParity = 1;
            else if (p == "even")
                options.replyParity = 2;
            else
                return usageError("--parity necesita odd o even");
        } else if (arg == "--garbage") {
            if (!number(65536, n))
                return usageError("--garbage necesita un número de bytes de 0 a 65536");
            options.garbageBefore = static_cast<std::size_t>(n);
        } else if (arg == "--log") {
            log = true;
        } else {
            return usageError("opción desconocida: " + arg);
        }
    }

    // A shell starts background jobs with SIGINT ignored, and an ignored signal never reaches
    // sigwait(): give both stop signals a handler of their own first.
    struct sigaction action
    {
    };
    action.sa_handler = [](int) {};
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);

    // Block the stop signals in every thread; the main thread waits for them below.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    started = HayesModem::Clock::now();
    if (log)
        options.trace = trace;
    HayesModem modem(options);
    std::string error;
    if (!modem.start(&error)) {
        std::fprintf(stderr, "tavoli-modem: %s\n", error.c_str());
        return 1;
    }
    for (const std::string &link : links) {
        if (!modem.linkTo(link, &error)) {
            std::fprintf(stderr, "tavoli-modem: %s\n", error.c_str());
            modem.stop();
            return 1;
        }
    }
    std::cout << modem.devicePath() << std::endl;

    int signal = 0;
    sigwait(&stopSignals, &signal);
    modem.stop();
    return 0;
}
