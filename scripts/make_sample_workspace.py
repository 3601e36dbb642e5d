#!/usr/bin/env python3
"""Builds the seed of the sample workspace from the public feed tables.

    python3 scripts/make_sample_workspace.py [FEED_DATA_DIR]

Writes samples/sample_workspace.json, which the build compiles into the store (so every
program can build the workspace without finding files). `vexa-cli sample FILE.vxf` turns the
seed into a workspace. Every composition, price, inclusion limit and requirement of the broiler starter
and grower, the laying hen and the growing pig comes from ingredients.csv,
inclusion_limits.csv and requirements.csv; the finisher, peak-production and finishing-pig
formulas are the usual steps down from those figures. FEED_DATA_DIR defaults to
data/feed in the project.
"""
import csv
import json
import os
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))

# Nutrients in display order: column of ingredients.csv, Spanish name, unit, TN type.
NUTRIENTS = [
    ("price_usd_per_kg", "Precio", "$/Kg", 1),
    ("dry_matter_pct", "Materia Seca", "%", 2),
    ("me_poultry_kcal_kg", "EM aves", "kcal/kg", 3),
    ("me_swine_kcal_kg", "EM cerdos", "kcal/kg", 3),
    ("crude_protein_pct", "Proteína cruda", "%", 4),
    ("lysine_pct", "Lisina", "%", 4),
    ("methionine_pct", "Metionina", "%", 4),
    ("met_cys_pct", "Met + Cis", "%", 4),
    ("threonine_pct", "Treonina", "%", 4),
    ("tryptophan_pct", "Triptófano", "%", 4),
    ("ether_extract_pct", "Extracto etéreo", "%", 0),
    ("crude_fiber_pct", "Fibra cruda", "%", 0),
    ("calcium_pct", "Calcio", "%", 6),
    ("total_p_pct", "Fósforo total", "%", 6),
    ("avail_p_pct", "Fósforo disponible", "%", 6),
    ("sodium_pct", "Sodio", "%", 6),
    ("potassium_pct", "Potasio", "%", 6),
    ("chlorine_pct", "Cloro", "%", 6),
    ("deb_meq_kg", "Balance electrolítico", "mEq/Kg", 0),
]
NAME_OF = {n[0]: n[1] for n in NUTRIENTS}

# Spanish name, ingredient type (TI: 1 forage, 2 protein, 3 energy, 4 fat, 5 vit/min, 6 other)
# and the rounding digits of batch quantities.
INGREDIENTS = {
    "corn_yellow": ("Maíz amarillo", 3, "0"),
    "sorghum_low_tannin": ("Sorgo bajo en taninos", 3, "0"),
    "wheat": ("Trigo", 3, "0"),
    "barley": ("Cebada", 3, "0"),
    "wheat_bran": ("Salvado de trigo", 3, "0"),
    "wheat_middlings": ("Acemite de trigo", 3, "0"),
    "rice_bran_full_fat": ("Pulidura de arroz", 3, "0"),
    "soybean_meal_44": ("Harina de soya 44%", 2, "0"),
    "soybean_meal_48": ("Harina de soya 48%", 2, "0"),
    "soybean_full_fat_heat_treated": ("Soya integral tostada", 2, "0"),
    "canola_meal": ("Harina de canola", 2, "0"),
    "sunflower_meal_partly_dehulled": ("Harina de girasol", 2, "0"),
    "cottonseed_meal_41": ("Harina de algodón 41%", 2, "0"),
    "corn_gluten_meal_60": ("Gluten de maíz 60%", 2, "0"),
    "fish_meal_64": ("Harina de pescado 64%", 2, "-1"),
    "meat_bone_meal_50": ("Harina de carne y hueso", 2, "-1"),
    "soybean_oil": ("Aceite de soya", 4, "-1"),
    "animal_fat": ("Grasa animal", 4, "-1"),
    "alfalfa_meal_dehydrated": ("Harina de alfalfa", 1, "-1"),
    "limestone": ("Carbonato de calcio", 5, "-2"),
    "dicalcium_phosphate": ("Fosfato dicálcico", 5, "-2"),
    "salt_nacl": ("Sal común", 5, "-2"),
    "sodium_bicarbonate": ("Bicarbonato de sodio", 5, "-2"),
    "dl_methionine": ("DL-Metionina", 6, "-3"),
    "l_lysine_hcl": ("L-Lisina HCl", 6, "-3"),
    "l_threonine": ("L-Treonina", 6, "-3"),
    "vitamin_mineral_premix": ("Premezcla vitamínica", 5, "-3"),
}

POULTRY_NUTRIENTS = [
    "dry_matter_pct", "me_poultry_kcal_kg", "crude_protein_pct", "lysine_pct", "methionine_pct",
    "met_cys_pct", "threonine_pct", "tryptophan_pct", "ether_extract_pct", "crude_fiber_pct",
    "calcium_pct", "total_p_pct", "avail_p_pct", "sodium_pct", "potassium_pct", "chlorine_pct",
    "deb_meq_kg",
]
PIG_NUTRIENTS = [c if c != "me_poultry_kcal_kg" else "me_swine_kcal_kg" for c in POULTRY_NUTRIENTS]

# Requirements of the step-down formulas, same nutrients as their parents (min, max).
BROILER_FINISHER = {
    "me_poultry_kcal_kg": (3200, None), "crude_protein_pct": (18.0, None),
    "lysine_pct": (0.85, None), "methionine_pct": (0.32, None), "met_cys_pct": (0.65, None),
    "threonine_pct": (0.68, None), "tryptophan_pct": (0.16, None),
    "calcium_pct": (0.80, 0.95), "avail_p_pct": (0.30, 0.40), "sodium_pct": (0.15, 0.23),
    "chlorine_pct": (0.15, 0.30), "potassium_pct": (0.30, None),
    "crude_fiber_pct": (None, 5.0), "ether_extract_pct": (None, 8.0),
    "deb_meq_kg": (230, None),
}
LAYER_PEAK = {
    "me_poultry_kcal_kg": (2850, None), "crude_protein_pct": (16.5, None),
    "lysine_pct": (0.75, None), "methionine_pct": (0.34, None), "met_cys_pct": (0.62, None),
    "threonine_pct": (0.52, None), "tryptophan_pct": (0.17, None),
    "calcium_pct": (3.80, 4.20), "avail_p_pct": (0.30, 0.45), "sodium_pct": (0.15, 0.22),
    "chlorine_pct": (0.13, 0.30), "potassium_pct": (0.15, None),
    "crude_fiber_pct": (None, 6.0), "ether_extract_pct": (None, 7.0),
}
PIG_FINISHER = {
    "me_swine_kcal_kg": (3300, None), "crude_protein_pct": (14.0, 18.0),
    "lysine_pct": (0.85, None), "methionine_pct": (0.25, None), "met_cys_pct": (0.52, None),
    "threonine_pct": (0.55, None), "tryptophan_pct": (0.15, None),
    "calcium_pct": (0.55, 0.75), "total_p_pct": (0.47, None), "avail_p_pct": (0.19, None),
    "sodium_pct": (0.10, 0.25), "chlorine_pct": (0.08, 0.40), "potassium_pct": (0.20, None),
    "crude_fiber_pct": (None, 7.0),
}


def number(text):
    text = (text or "").strip()
    return None if text == "" else float(text)


def tidy(x):
    x = round(x, 4)
    return int(x) if x == int(x) else x


def read_csv(folder, name):
    with open(os.path.join(folder, name), newline="", encoding="utf-8") as f:
        return list(csv.DictReader(f))


def ingredient_values(row):
    values = {}
    for column, name, _, _ in NUTRIENTS:
        if column == "deb_meq_kg":
            na, k, cl = (number(row[c]) for c in ("sodium_pct", "potassium_pct", "chlorine_pct"))
            if None not in (na, k, cl):
                values[name] = tidy(435.0 * na + 255.8 * k - 282.1 * cl)
            continue
        v = number(row[column])
        if v is not None:
            values[name] = tidy(v)
    return values


def bound(x):
    return None if x is None else tidy(x)


def formula(name, ingredient_limits, nutrient_limits, weight=1000):
    return {
        "nombre": name,
        "peso": weight,
        "insumos": [
            {"insumo": INGREDIENTS[k][0], "min": bound(lo), "max": bound(hi)}
            for k, (lo, hi) in ingredient_limits.items()
        ],
        "nutrientes": [
            {"nutriente": NAME_OF[k], "min": bound(lo), "max": bound(hi)}
            for k, (lo, hi) in nutrient_limits.items()
        ],
    }


# The calcium to available phosphorus ratio: the requirement's own ratio (minimum calcium to
# minimum available phosphorus) as the minimum, 10 % above it as the maximum, both kept as the
# two terms "Ca : P" the tables give.
CA_P = "Calcio : Fósforo disponible"


def ca_p_ratio(nutrient_limits):
    ca = nutrient_limits["calcium_pct"][0]
    p = nutrient_limits["avail_p_pct"][0]
    return {"relacion": CA_P, "min": [tidy(ca), tidy(p)], "max": [tidy(ca * 1.1), tidy(p)]}


def with_ca_p(f, nutrient_limits):
    f["relaciones"] = [ca_p_ratio(nutrient_limits)]
    return f


def build(folder):
    rows = read_csv(folder, "ingredients.csv")
    requirements, limits = {}, {}
    for r in read_csv(folder, "requirements.csv"):
        requirements.setdefault(r["ration"], {})[r["nutrient"]] = (number(r["min"]), number(r["max"]))
    for r in read_csv(folder, "inclusion_limits.csv"):
        limits.setdefault(r["ration"], {})[r["ingredient"]] = (number(r["min_pct"]), number(r["max_pct"]))

    def usable(ration, extra):
        """Ingredients of a ration: the base ones without a limit, then those the table limits."""
        out = {k: (None, None) for k in extra}
        out.update(limits[ration])
        return out

    cereals_soy = ["corn_yellow", "soybean_meal_44", "soybean_meal_48"]
    broiler = usable("broiler_starter", cereals_soy)
    broiler_grower = usable("broiler_grower", cereals_soy)
    layer = usable("laying_hen", cereals_soy)
    pig = usable("growing_pig_25_50kg", cereals_soy + ["sorghum_low_tannin"])

    groups = [
        {
            "nombre": "Pollos de engorde",
            "insumos": [INGREDIENTS[k][0] for k in broiler],
            "nutrientes": [NAME_OF[c] for c in POULTRY_NUTRIENTS],
            "relaciones": [CA_P],
            "formulas": [
                with_ca_p(formula("Pollo iniciación (0-3 semanas)", broiler,
                                  requirements["broiler_starter"]), requirements["broiler_starter"]),
                with_ca_p(formula("Pollo crecimiento (3-6 semanas)", broiler_grower,
                                  requirements["broiler_grower"]), requirements["broiler_grower"]),
                with_ca_p(formula("Pollo finalización (6-7 semanas)", broiler_grower,
                                  BROILER_FINISHER), BROILER_FINISHER),
                # Teaching case: more protein than corn with at most 40 % soybean meal can give.
                formula("Ejemplo: proteína inalcanzable",
                        {"corn_yellow": (60, None), "soybean_meal_44": (None, 40),
                         "limestone": (None, 2)},
                        {"crude_protein_pct": (26, None), "me_poultry_kcal_kg": (2900, None),
                         "calcium_pct": (0.8, 1.2)}),
            ],
        },
        {
            "nombre": "Gallinas ponedoras",
            "insumos": [INGREDIENTS[k][0] for k in layer],
            "nutrientes": [NAME_OF[c] for c in POULTRY_NUTRIENTS if c != "deb_meq_kg"],
            "relaciones": [CA_P],
            "formulas": [
                with_ca_p(formula("Ponedora en postura", layer, requirements["laying_hen"]),
                          requirements["laying_hen"]),
                with_ca_p(formula("Ponedora pico de postura", layer, LAYER_PEAK), LAYER_PEAK),
            ],
        },
        {
            "nombre": "Cerdos",
            "insumos": [INGREDIENTS[k][0] for k in pig],
            "nutrientes": [NAME_OF[c] for c in PIG_NUTRIENTS if c != "deb_meq_kg"],
            "formulas": [
                formula("Cerdo crecimiento (25-50 kg)", pig, requirements["growing_pig_25_50kg"]),
                formula("Cerdo engorde (50-80 kg)", pig, PIG_FINISHER),
            ],
        },
    ]
    return {
        "nombre": "Vexa30",
        "comentario": "Ejemplo con tablas públicas; no es una recomendación de alimentación",
        "nutrientes": [{"nombre": n, "unidad": u, "tipo": t} for _, n, u, t in NUTRIENTS],
        "insumos": [
            {
                "nombre": INGREDIENTS[r["name"]][0],
                "tipo": INGREDIENTS[r["name"]][1],
                "redondeo": INGREDIENTS[r["name"]][2],
                "valores": ingredient_values(r),
            }
            for r in rows
        ],
        "relaciones": [
            {"nombre": CA_P, "nut1": NAME_OF["calcium_pct"], "nut2": NAME_OF["avail_p_pct"]},
        ],
        "grupos": groups,
        "defectos": {"precio": "Precio", "ms": "Materia Seca", "grupo": "Pollos de engorde"},
    }


def main():
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.join(ROOT, "data", "feed")
    text = json.dumps(build(folder), ensure_ascii=False, indent=1) + "\n"
    with open(os.path.join(ROOT, "samples", "sample_workspace.json"), "w", encoding="utf-8") as f:
        f.write(text)


if __name__ == "__main__":
    main()
