# Pitch (autocorrelation) and intensity of one sound, for the tool comparison: writes the F0
# per frame (0 = unvoiced), the intensity per frame and the frame times into a folder.
form Pitch and intensity
    sentence wav sweep.wav
    sentence outdir .
    positive step 0.02
    positive floor 75
    positive ceiling 1000
endform
sound = Read from file: wav$
pitch = To Pitch (ac): step, floor, 15, "no", 0.03, 0.45, 0.01, 0.35, 0.14, ceiling
t1 = Get time from frame number: 1
dt = Get time step
To Matrix
Save as headerless spreadsheet file: outdir$ + "/praat_f0.txt"
selectObject: sound
To Intensity: floor, step, "yes"
it1 = Get time from frame number: 1
idt = Get time step
Down to Matrix
Save as headerless spreadsheet file: outdir$ + "/praat_int.txt"
writeFileLine: outdir$ + "/praat_times.txt", fixed$(t1, 6), " ", fixed$(dt, 6), " ", fixed$(it1, 6), " ", fixed$(idt, 6)
