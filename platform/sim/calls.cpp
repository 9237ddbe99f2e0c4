// The call log, the state that the other files here share, and Reset.
#include "platform/sim/sim.h"

namespace sim {

// Never destroyed: the program's globals may free memory after main returns.
State& S() {
    static State* state = new State();
    return *state;
}

Handle NewHandle() {
    static Handle next = 0x10000;
    return next += 4;
}

std::string Call::str() const {
    std::string out = name + "(";
    for (std::size_t i = 0; i < args.size(); ++i) {
        const Arg& arg = args[i];
        if (i > 0) out += ", ";
        switch (arg.kind) {
        case Arg::Kind::Number: out += std::to_string(arg.number); break;
        case Arg::Kind::Text: out += "\"" + arg.text + "\""; break;
        case Arg::Kind::Null: out += "null"; break;
        case Arg::Kind::Pointer: out += "ptr"; break;
        case Arg::Kind::List:
            out += "{";
            for (std::size_t k = 0; k < arg.list.size(); ++k)
                out += (k > 0 ? ", " : "") + std::to_string(arg.list[k]);
            out += "}";
            break;
        }
    }
    return out + ")";
}

const std::vector<Call>& Calls() { return S().calls; }

std::vector<std::string> Log(const std::string& name) {
    std::vector<std::string> lines;
    for (const Call& call : S().calls)
        if (call.name == name) lines.push_back(call.str());
    return lines;
}

void ClearCalls() { S().calls.clear(); }

void Reset() { S() = State(); }

} // namespace sim
