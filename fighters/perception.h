// What the computer fighters see: the enemy rule and the heading their goals are measured by.
#pragma once

class Character;

// Below game kind 6 the other side are enemies; from kind 6 on every other fighter is.
bool AreEnemies(const Character& a, const Character& b);

// The heading the computer fighters' goals use: atan2(x, z) in [0, 2 pi), and for |x| below
// 0.0001 pi when z <= 0, else 0.
float GoalHeading(float x, float z);
