// Placeholder until the synthesizer lands.
namespace gravon::synth {}
