// Glow of the glow particle items (resource 97). The render object draws it in three steps:
// "Blend_Max" draws the glow sprites into a private target cleared to transparent black, keeping the
// brightest value where glows overlap; "Blend_Screen" or "Blend_Normal" lays that target over the scene
// drawn so far on the picture quad through the blender, which reads the scene where it lies, so a pixel
// the glow does not reach stays as it is; "Common" draws the sprites on top.

texture Texture1;  // the sprites' glow or main texture
texture Texture2;  // the glow target
float4 BlendColor = {1.0, 1.0, 1.0, 1.0};  // glow colour (rgb) and strength (a)

sampler Sprite = sampler_state {
  Texture = <Texture1>;
  AddressU = CLAMP;
  AddressV = CLAMP;
  MinFilter = LINEAR;
  MagFilter = LINEAR;
  MipFilter = NONE;
};

sampler Glow = sampler_state {
  Texture = <Texture2>;
  AddressU = CLAMP;
  AddressV = CLAMP;
  MinFilter = LINEAR;
  MagFilter = LINEAR;
  MipFilter = NONE;
};

struct SpritePixel {
  float2 uv : TEXCOORD0;
  float4 color : COLOR0;
};

float4 SpriteColor(SpritePixel p) : COLOR0 {
  return tex2D(Sprite, p.uv) * p.color;
}

// Screen: 1 - (1 - scene)(1 - glow) = glow (1 - scene) + scene, with the blender's INVDESTCOLOR and ONE.
float4 ScreenGlow(float2 uv : TEXCOORD0) : COLOR0 {
  return float4(tex2D(Glow, uv).rgb * BlendColor.rgb * BlendColor.a, 1.0);
}

// Normal: lerp (scene, colour, cover), with the blender's SRCALPHA and INVSRCALPHA.
float4 NormalGlow(float2 uv : TEXCOORD0) : COLOR0 {
  return float4(BlendColor.rgb, saturate(tex2D(Glow, uv).a * BlendColor.a));
}

technique Blend_Max {
  pass P0 {
    // The scene host writes colour only; the glow target needs its alpha too (the coverage of "Blend_Normal").
    ColorWriteEnable = RED | GREEN | BLUE | ALPHA;
    AlphaBlendEnable = TRUE;
    BlendOp = MAX;
    SrcBlend = ONE;
    DestBlend = ONE;
    PixelShader = compile ps_2_0 SpriteColor();
  }
}

technique Blend_Screen {
  pass P0 {
    // The scene's alpha is not the glow's.
    ColorWriteEnable = RED | GREEN | BLUE;
    AlphaBlendEnable = TRUE;
    BlendOp = ADD;
    SrcBlend = INVDESTCOLOR;
    DestBlend = ONE;
    PixelShader = compile ps_2_0 ScreenGlow();
  }
}

technique Blend_Normal {
  pass P0 {
    ColorWriteEnable = RED | GREEN | BLUE;
    AlphaBlendEnable = TRUE;
    BlendOp = ADD;
    SrcBlend = SRCALPHA;
    DestBlend = INVSRCALPHA;
    PixelShader = compile ps_2_0 NormalGlow();
  }
}

technique Common {
  pass P0 {
    AlphaBlendEnable = TRUE;
    BlendOp = ADD;
    SrcBlend = SRCALPHA;
    DestBlend = ONE;
    PixelShader = compile ps_2_0 SpriteColor();
  }
}
