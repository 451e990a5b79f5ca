#include "core/reading_passages.h"

namespace gravon {

const std::vector<treadingpassage>& reading_passages() {
    // Aesop's fable as phoneticians have long printed it for reading aloud: short, every
    // sound of English in it, and known to clinics the world over.
    static const std::vector<treadingpassage> passages = {
        {"The North Wind and the Sun",
         "The North Wind and the Sun were disputing which was the stronger, when a traveler "
         "came along wrapped in a warm cloak. They agreed that the one who first succeeded in "
         "making the traveler take his cloak off should be considered stronger than the other. "
         "Then the North Wind blew as hard as he could, but the more he blew the more closely "
         "did the traveler fold his cloak around him; and at last the North Wind gave up the "
         "attempt. Then the Sun shined out warmly, and immediately the traveler took off his "
         "cloak. And so the North Wind was obliged to confess that the Sun was the stronger of "
         "the two."},
        // Automatic speech: for a patient who cannot read, or reads haltingly.
        {"Counting from one to twenty",
         "One, two, three, four, five, six, seven, eight, nine, ten, eleven, twelve, thirteen, "
         "fourteen, fifteen, sixteen, seventeen, eighteen, nineteen, twenty."},
        {"The days of the week", "Monday, Tuesday, Wednesday, Thursday, Friday, Saturday, Sunday."},
    };
    return passages;
}

std::string reading_passage_text(const toptions& options) {
    for (char c : options.readingpassage)
        if (c != ' ' && c != '\t' && c != '\n' && c != '\r') return options.readingpassage;
    return reading_passages().front().text;
}

} // namespace gravon
