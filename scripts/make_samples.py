#!/usr/bin/env python3
"""Builds the sample formulas in samples/ from the public feed tables.

    python3 scripts/make_samples.py [FEED_DATA_DIR]

FEED_DATA_DIR defaults to data/feed in the project. Every number of the
broiler starter (composition, dry matter, prices, inclusion limits, requirements) comes
from ingredients.csv, inclusion_limits.csv and requirements.csv; this script only picks
the ingredients, gives them and the nutrients their Spanish names and codes, and derives
the electrolyte balance per ingredient (it is linear in Na, K and Cl).
"""
import csv
import json
import os
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))

# Nutrient catalogue: code, column of ingredients.csv, Spanish name, unit.
NUTRIENTS = [
    (1, "dry_matter_pct", "Materia seca", "%"),
    (2, "me_swine_kcal_kg", "EM cerdos", "kcal/kg"),
    (3, "crude_protein_pct", "Proteína cruda", "%"),
    (4, "me_poultry_kcal_kg", "EM aves", "kcal/kg"),
    (5, "ether_extract_pct", "Extracto etéreo", "%"),
    (6, "crude_fiber_pct", "Fibra cruda", "%"),
    (7, "calcium_pct", "Calcio", "%"),
    (8, "total_p_pct", "Fósforo total", "%"),
    (9, "avail_p_pct", "Fósforo disponible", "%"),
    (10, "sodium_pct", "Sodio", "%"),
    (11, "potassium_pct", "Potasio", "%"),
    (12, "chlorine_pct", "Cloro", "%"),
    (13, "lysine_pct", "Lisina", "%"),
    (14, "methionine_pct", "Metionina", "%"),
    (15, "met_cys_pct", "Met + Cis", "%"),
    (16, "threonine_pct", "Treonina", "%"),
    (17, "tryptophan_pct", "Triptófano", "%"),
    (18, "deb_meq_kg", "Balance electrolítico", "mEq/kg"),
]

# Ingredient catalogue: code = row of ingredients.csv (1-based), Spanish name.
SPANISH = {
    "corn_yellow": "Maíz amarillo",
    "sorghum_low_tannin": "Sorgo bajo en taninos",
    "wheat": "Trigo",
    "barley": "Cebada",
    "wheat_bran": "Salvado de trigo",
    "wheat_middlings": "Acemite de trigo",
    "rice_bran_full_fat": "Pulidura de arroz",
    "soybean_meal_44": "Harina de soya 44%",
    "soybean_meal_48": "Harina de soya 48%",
    "soybean_full_fat_heat_treated": "Soya integral tostada",
    "canola_meal": "Harina de canola",
    "sunflower_meal_partly_dehulled": "Harina de girasol",
    "cottonseed_meal_41": "Harina de algodón 41%",
    "corn_gluten_meal_60": "Gluten de maíz 60%",
    "fish_meal_64": "Harina de pescado 64%",
    "meat_bone_meal_50": "Harina de carne y hueso",
    "soybean_oil": "Aceite de soya",
    "animal_fat": "Grasa animal",
    "alfalfa_meal_dehydrated": "Harina de alfalfa",
    "limestone": "Carbonato de calcio",
    "dicalcium_phosphate": "Fosfato dicálcico",
    "salt_nacl": "Sal común",
    "sodium_bicarbonate": "Bicarbonato de sodio",
    "dl_methionine": "DL-Metionina",
    "l_lysine_hcl": "L-Lisina HCl",
    "l_threonine": "L-Treonina",
    "vitamin_mineral_premix": "Premezcla vitamínica",
}

# A corn-soy starter with the usual animal protein, fat, minerals and synthetic amino acids.
BROILER_INGREDIENTS = [
    "corn_yellow",
    "wheat",
    "soybean_meal_48",
    "soybean_meal_44",
    "corn_gluten_meal_60",
    "meat_bone_meal_50",
    "soybean_oil",
    "animal_fat",
    "limestone",
    "dicalcium_phosphate",
    "salt_nacl",
    "sodium_bicarbonate",
    "dl_methionine",
    "l_lysine_hcl",
    "vitamin_mineral_premix",
]


def number(text):
    text = (text or "").strip()
    return None if text == "" else float(text)


def tidy(x):
    """Whole numbers as integers, others rounded to 4 decimals (the engine's resolution)."""
    x = round(x, 4)
    return int(x) if x == int(x) else x


def maybe_tidy(x):
    return None if x is None else tidy(x)


def read_csv(folder, name):
    with open(os.path.join(folder, name), newline="", encoding="utf-8") as f:
        return list(csv.DictReader(f))


def ingredient_values(row, codes):
    """The ingredient's values for the nutrients of the formula (codes), zeros left out."""
    values = {}
    for code, column, _, _ in NUTRIENTS:
        if code not in codes:
            continue
        if column == "deb_meq_kg":
            na, k, cl = (number(row[c]) for c in ("sodium_pct", "potassium_pct", "chlorine_pct"))
            if None not in (na, k, cl):
                values[str(code)] = tidy(435.0 * na + 255.8 * k - 282.1 * cl)
            continue
        v = number(row[column])
        if v is not None and v != 0:
            values[str(code)] = tidy(v)
    return values


def ingredient(rows, key, lo, hi, codes):
    index = next(i for i, r in enumerate(rows) if r["name"] == key)
    row = rows[index]
    return {
        "code": index + 1,
        "name": SPANISH[key],
        "min": maybe_tidy(lo),
        "max": maybe_tidy(hi),
        "price": tidy(number(row["price_usd_per_kg"])),
        "dry_matter": tidy(number(row["dry_matter_pct"])),
        "values": ingredient_values(row, codes),
    }


def nutrient(column, lo, hi):
    code, _, name, unit = next(n for n in NUTRIENTS if n[1] == column)
    return {"code": code, "name": name, "unit": unit, "min": maybe_tidy(lo), "max": maybe_tidy(hi)}


def broiler_starter(folder):
    rows = read_csv(folder, "ingredients.csv")
    limits = {
        r["ingredient"]: (number(r["min_pct"]), number(r["max_pct"]))
        for r in read_csv(folder, "inclusion_limits.csv")
        if r["ration"] == "broiler_starter"
    }
    nutrients = [
        nutrient(r["nutrient"], number(r["min"]), number(r["max"]))
        for r in read_csv(folder, "requirements.csv")
        if r["ration"] == "broiler_starter"
    ]
    nutrients.sort(key=lambda n: n["code"])
    codes = {n["code"] for n in nutrients}
    ingredients = []
    for key in BROILER_INGREDIENTS:
        lo, hi = limits.get(key, (None, None))
        ingredients.append(ingredient(rows, key, lo, hi, codes))
    return {
        "name": "Pollo de engorde inicio",
        "use_dry_matter": False,
        "as_fed": False,
        "ingredients": ingredients,
        "nutrients": nutrients,
    }


def infeasible_example(folder):
    """Too much corn for the protein asked: even the richest mix the bounds allow
    (60 % corn, 40 % soybean meal) reaches 24.78 % protein, short of 26 %."""
    rows = read_csv(folder, "ingredients.csv")
    nutrients = [
        nutrient("crude_protein_pct", 26, None),
        nutrient("me_poultry_kcal_kg", 2900, None),
        nutrient("calcium_pct", 0.8, 1.2),
    ]
    codes = {n["code"] for n in nutrients}
    return {
        "name": "Ejemplo sin solución: proteína inalcanzable",
        "ingredients": [
            ingredient(rows, "corn_yellow", 60, 100, codes),
            ingredient(rows, "soybean_meal_48", None, 40, codes),
            ingredient(rows, "limestone", None, 2, codes),
        ],
        "nutrients": nutrients,
    }


def write(path, formula):
    with open(path, "w", encoding="utf-8") as f:
        json.dump(formula, f, ensure_ascii=False, indent=2)
        f.write("\n")


def main():
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.join(ROOT, "data", "feed")
    samples = os.path.join(ROOT, "samples")
    os.makedirs(samples, exist_ok=True)
    write(os.path.join(samples, "broiler_starter.json"), broiler_starter(folder))
    write(os.path.join(samples, "infeasible_example.json"), infeasible_example(folder))


if __name__ == "__main__":
    main()
