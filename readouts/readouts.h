// The readout of every text box, each bound to its one element at build time.
// The host calls a readout with the value of its element's first variable slot.
// A readout that takes its value elsewhere names the parameter for the host
// variable that slot binds: the speed (61), the tick count (1), or none.
#pragma once

// Flight
double ailrnReadout(double raw);
double elevReadout(double raw);
double ftReadout(double raw);
double tasReadout(double boundSpeed);
double iasReadout(double boundSpeed);
double hdgReadout(double raw);
double bankReadout(double raw);
double pitchReadout(double raw);
double gsReadout(double raw);
double climbReadout(double raw);
double aoaReadout(double raw);

// Engine and fuel
double galReadout(double raw);
double auxReadout(double raw);
double gphReadout(double raw);
double rpmReadout(double raw);
double hpReadout(double raw);
double torqReadout(double raw);
double propReadout(double raw);
double thrstReadout(double raw);
double weptReadout(double raw);
double mpsiReadout(double raw);
double fpsiReadout(double raw);
double thrtReadout(double emptySlot);
double wsgtReadout(double raw);
double pressureReadout(double raw);     // unlabelled box (5, 5)
double temperatureReadout(double raw);  // unlabelled box (5, 6)
double rotReadout(double raw);
double chtReadout(double raw);
double oilTReadout(double raw);
double oilPReadout(double raw);

// Rates
double rollReadout(double tickCount);
double turnReadout(double tickCount);

// Position
double latitudeReadout(double raw);
double longitudeReadout(double raw);
